# The installation package TqTouch-<version>-<arch>.msi (target TqTouchPackage, file
# TQ_PACKAGE_FILE), built with wixl from package/TqTouch.wxs: an i686 tree builds the x86
# package, an x86_64 tree the x64 one. Both ship.

find_program(TQ_WIXL wixl)
if(NOT TQ_WIXL)
    message(FATAL_ERROR "The installation package cannot be built without wixl (Debian package "
                        "wixl). Run scripts/bootstrap.sh to install it.")
endif()
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(TQ_PACKAGE_ARCH x64)
else()
    set(TQ_PACKAGE_ARCH x86)
endif()

# tq_msi(TARGET OUTPUT VERSION): a target that builds the package of this tree's programs and help
# file as VERSION into OUTPUT.
function(tq_msi target output version)
    set(wxs ${PROJECT_SOURCE_DIR}/package/TqTouch.wxs)
    get_filename_component(output_dir ${output} DIRECTORY)
    # wixl finds a file only by a path relative to its working directory.
    set(files)
    foreach(program TqTouchCalib TqTouchApplet TqTouchSvc TqTouchInit)
        list(APPEND files -D
             ${program}=$<PATH:RELATIVE_PATH,$<TARGET_FILE:${program}>,${CMAKE_BINARY_DIR}>)
    endforeach()
    file(RELATIVE_PATH help ${CMAKE_BINARY_DIR} ${TQ_HELP_FILE})
    add_custom_command(
        OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${output_dir}
        COMMAND ${TQ_WIXL} -a ${TQ_PACKAGE_ARCH} -D Arch=${TQ_PACKAGE_ARCH} -D Version=${version}
                ${files}
                -D TqTouchHelp=${help} -o ${output} ${wxs}
        DEPENDS ${wxs} TqTouchCalib TqTouchApplet TqTouchSvc TqTouchInit TqTouchHelp ${TQ_HELP_FILE}
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
        COMMENT "Building the installation package ${output}"
        VERBATIM)
    add_custom_target(${target} ALL DEPENDS ${output})
endfunction()

set(TQ_PACKAGE_FILE
    ${CMAKE_BINARY_DIR}/package/TqTouch-${PROJECT_VERSION}-${TQ_PACKAGE_ARCH}.msi)
tq_msi(TqTouchPackage ${TQ_PACKAGE_FILE} ${PROJECT_VERSION})
