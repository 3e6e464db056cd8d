# The installation package TqTouch-<version>.msi (target TqTouchPackage, file TQ_PACKAGE_FILE),
# built with wixl from package/TqTouch.wxs. An i686 tree builds the x86 package that ships; an
# x86_64 tree builds its x64 twin, which the Wine tests install where 32-bit programs cannot run.

find_program(TQ_WIXL wixl)
if(NOT TQ_WIXL)
    message(FATAL_ERROR "The installation package cannot be built without wixl (Debian package "
                        "wixl). Run scripts/bootstrap.sh to install it.")
endif()

# tq_msi(TARGET OUTPUT VERSION): a target that builds the package of this tree's programs and help
# file as VERSION into OUTPUT.
function(tq_msi target output version)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(arch x64)
    else()
        set(arch x86)
    endif()
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
        COMMAND ${TQ_WIXL} -a ${arch} -D Arch=${arch} -D Version=${version} ${files}
                -D TqTouchHelp=${help} -o ${output} ${wxs}
        DEPENDS ${wxs} TqTouchCalib TqTouchApplet TqTouchSvc TqTouchInit TqTouchHelp ${TQ_HELP_FILE}
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
        COMMENT "Building the installation package ${output}"
        VERBATIM)
    add_custom_target(${target} ALL DEPENDS ${output})
endfunction()

set(TQ_PACKAGE_FILE ${CMAKE_BINARY_DIR}/package/TqTouch-${PROJECT_VERSION}.msi)
tq_msi(TqTouchPackage ${TQ_PACKAGE_FILE} ${PROJECT_VERSION})
