# The package's help file TqTouch.chm (target TqTouchHelp), in <build>/help: not beside the
# .cpl, so the applet finds it there only where the package puts it.
set(tq_help_dir ${CMAKE_CURRENT_LIST_DIR})
set(TQ_HELP_FILE ${CMAKE_BINARY_DIR}/help/TqTouch.chm)
tq_chm(TqTouchHelp ${TQ_HELP_FILE} ${tq_help_dir}/TqTouch.hhp
       DEPENDS ${tq_help_dir}/default.htm ${tq_help_dir}/mode.htm)
