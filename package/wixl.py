#!/usr/bin/env python3
"""wixl, plus what wixl 0.101 does not know: a Component's <Condition> and Permanent="yes", and
a CustomAction that runs a program from a directory (Directory and ExeCommand). It builds the
package without them and then puts them into the package's Component and CustomAction tables with
msibuild (msitools).

Usage: wixl.py WIXL [WIXL OPTIONS] -o MSI WXS
"""
import os
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

WIX = "http://schemas.microsoft.com/wix/2006/wi"
PERMANENT = 0x10  # msidbComponentAttributesPermanent
# msidbCustomActionType: 34 an .exe run in a directory; then deferred, as LocalSystem, its exit
# code ignored.
EXE_IN_DIRECTORY, DEFERRED, NO_IMPERSONATE, IGNORE_EXIT = 34, 0x400, 0x800, 0x40


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


def take_directory_actions(root):
    """Removes each CustomAction with a Directory; returns their CustomAction table queries."""
    queries = []
    for parent in root.iter():
        for action in parent.findall("{%s}CustomAction" % WIX):
            if action.get("Directory") is None:
                continue
            parent.remove(action)
            kind = EXE_IN_DIRECTORY | (DEFERRED if action.get("Execute") == "deferred" else 0)
            kind |= NO_IMPERSONATE if action.get("Impersonate") == "no" else 0
            kind |= IGNORE_EXIT if action.get("Return") == "ignore" else 0
            values = (action.get("Id"), kind, action.get("Directory"), action.get("ExeCommand"))
            if any("'" in str(value) for value in values):
                sys.exit("wixl.py: a custom action cannot hold ': " + action.get("Id"))
            queries += ["-q", "INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) "
                              "VALUES ('%s', %d, '%s', '%s')" % values]
    return queries


def main(wixl, options, wxs):
    at = options.index("-o")
    msi = options[at + 1]
    root = ElementTree.fromstring(run(wixl, "-E", *options[:at], *options[at + 2 :], wxs))
    extras = take_extras(root)
    queries = take_directory_actions(root)
    ElementTree.register_namespace("", WIX)
    ElementTree.ElementTree(root).write(msi + ".wxs", encoding="utf-8", xml_declaration=True)
    run(wixl, *options, msi + ".wxs")
    os.remove(msi + ".wxs")

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
