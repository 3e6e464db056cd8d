#!/usr/bin/env python3
"""wixl, plus what wixl 0.101 does not know: a Component's <Condition> and Permanent="yes", and a
ServiceInstall's <ServiceConfigFailureActions>. It builds the package without them and then puts
them into the package's tables with msibuild (msitools): the Component table, and the
MsiServiceConfigFailureActions table with the MsiConfigureServices action that reads it.

Usage: wixl.py WIXL [WIXL OPTIONS] -o MSI WXS
"""
import os
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

WIX = "http://schemas.microsoft.com/wix/2006/wi"
PERMANENT = 0x10  # msidbComponentAttributesPermanent
# msidbServiceConfigEventInstall, ...Uninstall, ...Reinstall
EVENTS = (("OnInstall", 1), ("OnUninstall", 2), ("OnReinstall", 4))
# SC_ACTION_NONE, SC_ACTION_RESTART, SC_ACTION_REBOOT, SC_ACTION_RUN_COMMAND
ACTIONS = {"none": 0, "restartService": 1, "restartComputer": 2, "runCommand": 3}
FAILURE_COLUMNS = (
    "MsiServiceConfigFailureActions\tName\tEvent\tResetPeriod\tRebootMessage\tCommand\tActions\t"
    "DelayActions\tComponent_\ns72\ts255\ti2\tI4\tL255\tL255\tS255\tS255\ts72\n"
    "MsiServiceConfigFailureActions\tMsiServiceConfigFailureActions\n")


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


def take_failure_actions(root):
    """Removes each ServiceInstall's ServiceConfigFailureActions; returns the table's rows."""
    rows = []
    for component in root.iter("{%s}Component" % WIX):
        for service in component.iter("{%s}ServiceInstall" % WIX):
            for element in service.findall("{%s}ServiceConfigFailureActions" % WIX):
                service.remove(element)
                failures = element.findall("{%s}Failure" % WIX)
                event = sum(bit for name, bit in EVENTS if element.get(name) == "yes")
                rows.append("\t".join((
                    service.get("Id"), service.get("Name"), str(event),
                    element.get("ResetPeriod", ""), "", "",
                    "[~]".join(str(ACTIONS[f.get("Action")]) for f in failures),
                    "[~]".join(f.get("Delay", "0") for f in failures), component.get("Id"))))
    return rows


def main(wixl, options, wxs):
    at = options.index("-o")
    msi = options[at + 1]
    root = ElementTree.fromstring(run(wixl, "-E", *options[:at], *options[at + 2 :], wxs))
    extras = take_extras(root)
    failure_actions = take_failure_actions(root)
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
    if failure_actions:
        idt = msi + ".MsiServiceConfigFailureActions.idt"
        with open(idt, "w", newline="\r\n") as table:
            table.write(FAILURE_COLUMNS + "".join(row + "\n" for row in failure_actions))
        # Between InstallServices (5800) and StartServices (5900), as the action requires.
        run("msibuild", msi, "-i", idt, "-q", "INSERT INTO `InstallExecuteSequence` "
            "(`Action`, `Condition`, `Sequence`) VALUES ('MsiConfigureServices', 'VersionNT', 5850)")
        os.remove(idt)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2:-1], sys.argv[-1])
