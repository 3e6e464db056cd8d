# The help file the applet tests open in place of the real TqTouch.chm: a default topic and one
# context id, the Mode page's. Built into a folder of its own: the tests copy it to each place the
# applet looks in.
set(tq_help_dir ${CMAKE_CURRENT_LIST_DIR})
tq_chm(tqtest_help ${CMAKE_BINARY_DIR}/tests/applet/help/TqTouch.chm ${tq_help_dir}/TqTouch.hhp
       DEPENDS ${tq_help_dir}/default.htm ${tq_help_dir}/mode.htm)
