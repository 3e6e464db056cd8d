#!/usr/bin/env bash
# Checks the x86 installation package without installing it: its platform and version, the rows
# that install the files, the service, its event source and the registry values, and that the
# files it carries are exactly the given ones.
# Usage: check_msi.sh MSI VERSION FILE...
set -euo pipefail
export LC_ALL=C
msi=$1 version=$2
shift 2
# Columns without the generated row keys, with | between them.
rows() {
    local table=$1 columns=$2
    msiinfo export "$msi" "$table" | tr -d '\r' | tail -n +4 | cut -f "$columns" | tr '\t' '|' |
        sed "s/^/$table|/"
}
# A component per setting property, whose value is written when the property is given: Permanent
# (20) but for the service's options (4); and one per service option that an upgrade keeps.
service='SYSTEM\CurrentControlSet\Services\TqTouchSvc\Parameters'
settings() {
    local key=$1 attributes=$2 keep=$3 value
    shift 3
    for name; do
        value="#[${name^^}]"
        [ -z "$keep" ] || value="[Kept$name]"
        echo "Component|$keep$name|TARGETDIR|$attributes"
        echo "Registry|2|$key|$name|$value|$keep$name"
    done
}
status=0
diff <({
    msiinfo suminfo "$msi" | grep '^Template:'
    msiinfo export "$msi" Property | tr -d '\r' | grep -E '^(ProductVersion|UpgradeCode)' | tr '\t' '|'
    rows File 2,3
    rows Component 1,3,4
    rows ServiceInstall 2-13
    rows ServiceControl 2-6
    rows CustomAction 1-4 | grep ServiceRecovery
    rows InstallExecuteSequence 1-3 | grep ServiceRecovery
    rows Registry 2-6
} | sort) <({
    settings 'SYSTEM\CurrentControlSet\Services\TqTouch\Parameters' 20 '' InputMode ClickMode \
        RightClickEnable RightClickTimeout Beep
    settings 'SOFTWARE\TQ_Automation\Touch' 20 '' CalibPoints CalibMargin CalibTimeout \
        MinDoubleClickTime MinDoubleClickWidth MinDoubleClickHeight
    for keep in '' Keep; do
        settings "$service" 4 "$keep" CycleTime TouchClickSuspendTime CheckScreenSaver \
            CheckMonitorState
    done
    cat <<EOF
Template: Intel;1033
ProductVersion|$version
UpgradeCode|{097CCA45-A801-4938-B9C7-5DEB2300966A}
File|Calib|TqTouchCalib.exe
File|Applet|TqTouchApplet.cpl
File|Service|TqTouchSvc.exe
File|Init|TqTouchInit.exe
File|Help|TqTouch.chm
Component|Calib|SystemFolder|0
Component|Applet|SystemFolder|0
Component|Service|SystemFolder|0
Component|Init|SystemFolder|0
Component|Help|SystemFolder|0
Component|Version|SystemFolder|4
ServiceInstall|TqTouchSvc|Touch Screen|16|2|1||||||Service|Supports touch screen operations (monitor on/off handling etc.).
ServiceControl|TqTouchSvc|163||1|Service
CustomAction|ServiceRecovery|3170|SystemFolder|"[SystemFolder]sc.exe" failure TqTouchSvc reset= 86400 actions= restart/5000/restart/5000/restart/5000
InstallExecuteSequence|ServiceRecovery|NOT REMOVE|5850
Registry|2|Software\Microsoft\Windows\CurrentVersion\Control Panel\Cpls|TqTouchApplet|#%[#TqTouchApplet.cpl]|Applet
Registry|2|Software\Microsoft\Windows\CurrentVersion\Control Panel\Extended Properties\System.ControlPanel.Category|[#TqTouchApplet.cpl]|#2|Applet
Registry|2|SYSTEM\CurrentControlSet\Services\EventLog\Application\Touch Screen|EventMessageFile|#%[#TqTouchSvc.exe]|Service
Registry|2|SYSTEM\CurrentControlSet\Services\EventLog\Application\Touch Screen|TypesSupported|#7|Service
Registry|2|Software\Microsoft\Windows\CurrentVersion\Run|TqTouchInit|"[#TqTouchInit.exe]"|Init
Registry|2|SOFTWARE\TQ_Automation\Touch|Version|$version|Version
EOF
} | sort) || status=1

files=$(mktemp -d)
trap 'rm -rf "$files"' EXIT
msiextract -C "$files" "$msi" >/dev/null
[ "$(find "$files" -type f | wc -l)" -eq $# ] || { echo "$msi carries $(ls "$files")"; status=1; }
for f in "$@"; do
    cmp "$f" "$files/$(basename "$f")" || status=1
done
exit $status
