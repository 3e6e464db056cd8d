#!/usr/bin/env python3
"""wixl, plus the two things of a Component that wixl 0.101 does not know: its <Condition>
and Permanent="yes". It builds the package without them and then puts them into the package's
Component table with msibuild (msitools).

Usage: wixl.py WIXL [WIXL OPTIONS] -o MSI WXS
"""
import os
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

WIX = "http://schemas.microsoft.com/wix/2006/wi"
PERMANENT = 0x10  # msidbComponentAttributesPermanent


def run(*command):
    return subprocess.run(command, check=True, stdout=subprocess.PIPE, text=True).stdout


def take_extras(root):
    """Removes each Component's Condition and Permanent; returns {Id: (condition, permanent)}."""
    extras = {}
    for component in root.iter("{%s}Component" % WIX):
        condition = component.find("{%s}Condition" % WIX)
        permanent = component.attrib.pop("Permanent", "no") == "yes"
        if condition is not None:
            component.remove(condition)
        if condition is not None or permanent:
            text = condition.text.strip() if condition is not None else ""
            if "'" in text:
                sys.exit("wixl.py: a component condition cannot hold ': " + text)
            extras[component.get("Id")] = (text, permanent)
    return extras


def main(wixl, options, wxs):
    at = options.index("-o")
    msi = options[at + 1]
    root = ElementTree.fromstring(run(wixl, "-E", *options[:at], *options[at + 2 :], wxs))
    extras = take_extras(root)
    ElementTree.register_namespace("", WIX)
    ElementTree.ElementTree(root).write(msi + ".wxs", encoding="utf-8", xml_declaration=True)
    run(wixl, *options, msi + ".wxs")
    os.remove(msi + ".wxs")

    queries = []
    for row in run("msiinfo", "export", msi, "Component").splitlines()[3:]:
        name, _, _, attributes = row.split("\t")[:4]
        if name in extras:
            condition, permanent = extras.pop(name)
            attributes = int(attributes) | (PERMANENT if permanent else 0)
            queries += ["-q", "UPDATE `Component` SET `Condition` = '%s', `Attributes` = %d "
                              "WHERE `Component` = '%s'" % (condition, attributes, name)]
    if extras:
        sys.exit("wixl.py: components missing from the package: " + ", ".join(extras))
    if queries:
        run("msibuild", msi, *queries)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2:-1], sys.argv[-1])
