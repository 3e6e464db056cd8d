// The calibration program's side of undoing a calibration cut short.
#pragma once

// Takes the lock that tells a running calibration, and writes back what a calibration cut short
// kept, before anything is saved. False, after its message, when another calibration runs or
// that write-back fails.
bool ClaimCalibration();
// Lets the lock go at the end of the run.
void ReleaseCalibration();
