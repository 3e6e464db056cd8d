#!/usr/bin/env bash
# Puts a harness's registry into the state a fresh installation leaves: default calibration
# options, the driver's parameters in mouse mode, screens that were never calibrated.
# Usage: calib-registry.sh HARNESS_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
h=${1:?usage: calib-registry.sh HARNESS_DIR}
reg() { "$here/wine-run.sh" "$h" reg "$@" >/dev/null 2>&1; }
params='HKLM\SYSTEM\CurrentControlSet\Services\TqTouch\Parameters'
reg delete 'HKLM\SOFTWARE\TQ_Automation\Touch' /f /reg:32 || true
reg delete "$params" /f || true
reg add "$params" /v InputMode /t REG_DWORD /d 1 /f
reg add "$params" /v ClickMode /t REG_DWORD /d 0 /f
reg add "$params" /v RightClickEnable /t REG_DWORD /d 1 /f
