# The package's help file TqTouch.chm (target TqTouchHelp), in <build>/help: not beside the
# .cpl, so the applet finds it there only where the package puts it.
set(tq_help_dir ${CMAKE_CURRENT_LIST_DIR})
set(TQ_HELP_FILE ${CMAKE_BINARY_DIR}/help/TqTouch.chm)
set(tq_help_sources TqTouch.hhc TqTouch.hhk help.css default.htm mode.htm mouse.htm
                    press_and_hold.htm calibration.htm calibrating.htm options.htm hardware.htm
                    about.htm)
list(TRANSFORM tq_help_sources PREPEND ${tq_help_dir}/)
tq_chm(TqTouchHelp ${TQ_HELP_FILE} ${tq_help_dir}/TqTouch.hhp DEPENDS ${tq_help_sources})
