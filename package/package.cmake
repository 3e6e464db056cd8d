# The installation package TqTouch-<version>-<arch>.msi (target TqTouchPackage, file
# TQ_PACKAGE_FILE), built with wixl from package/TqTouch.wxs: an i686 tree builds the x86
# package, an x86_64 tree the x64 one. Both ship. package/wixl.py adds the component conditions
# and Permanent flags that wixl leaves out.
#
# Signing: when TQ_SIGN_PKCS12 names a PKCS#12 file at configure time, scripts/sign.sh signs
# copies of the four programs before they go into the package, and then the package, with that
# certificate and the password in TQ_SIGN_PASSWORD at build time (TQ_SIGN_TIMESTAMP optional).

find_program(TQ_WIXL wixl)
find_program(TQ_MSIBUILD msibuild)
find_package(Python3 COMPONENTS Interpreter)
if(NOT TQ_WIXL OR NOT TQ_MSIBUILD OR NOT Python3_FOUND)
    message(FATAL_ERROR "The installation package cannot be built without wixl, msitools and "
                        "python3 (Debian packages). Run scripts/bootstrap.sh to install them.")
endif()
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(TQ_PACKAGE_ARCH x64)
else()
    set(TQ_PACKAGE_ARCH x86)
endif()
set(TQ_SIGN_PKCS12 "$ENV{TQ_SIGN_PKCS12}")
if(TQ_SIGN_PKCS12)
    get_filename_component(TQ_SIGN_PKCS12 ${TQ_SIGN_PKCS12} ABSOLUTE)
else()
    message(STATUS "No code-signing certificate (TQ_SIGN_PKCS12): the programs and the package "
                   "stay unsigned")
endif()

# tq_msi(TARGET OUTPUT VERSION [PKCS12 PASSWORD]): a target that builds the package of this
# tree's programs and help file as VERSION into OUTPUT, signed with the given certificate (or
# the configured one). The programs that go in are OUTPUT's folder/files-<VERSION>/*.
function(tq_msi target output version)
    set(pkcs12 ${TQ_SIGN_PKCS12})
    set(sign_env)
    if(ARGC GREATER 3)
        set(pkcs12 ${ARGV3})
        set(sign_env TQ_SIGN_PASSWORD=${ARGV4} TQ_SIGN_TIMESTAMP=)
    endif()
    set(sign ${CMAKE_COMMAND} -E env TQ_SIGN_PKCS12=${pkcs12} ${sign_env}
             ${PROJECT_SOURCE_DIR}/scripts/sign.sh)
    set(wxs ${PROJECT_SOURCE_DIR}/package/TqTouch.wxs)
    get_filename_component(output_dir ${output} DIRECTORY)
    set(stage ${output_dir}/files-${version})
    # wixl finds a file only by a path relative to its working directory.
    file(RELATIVE_PATH stage_rel ${CMAKE_BINARY_DIR} ${stage})
    set(files)
    set(copies)
    set(staged)
    foreach(program TqTouchCalib TqTouchApplet TqTouchSvc TqTouchInit)
        list(APPEND files -D ${program}=${stage_rel}/$<TARGET_FILE_NAME:${program}>)
        list(APPEND copies COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${program}> ${stage})
        list(APPEND staged ${stage}/$<TARGET_FILE_NAME:${program}>)
    endforeach()
    file(RELATIVE_PATH help ${CMAKE_BINARY_DIR} ${TQ_HELP_FILE})
    add_custom_command(
        OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${stage}
        ${copies}
        COMMAND ${sign} ${staged}
        COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/package/wixl.py ${TQ_WIXL}
                -a ${TQ_PACKAGE_ARCH} -D Arch=${TQ_PACKAGE_ARCH} -D Version=${version} ${files}
                -D TqTouchHelp=${help} -o ${output}.new ${wxs}
        COMMAND ${sign} ${output}.new
        COMMAND ${CMAKE_COMMAND} -E rename ${output}.new ${output}
        DEPENDS ${wxs} ${PROJECT_SOURCE_DIR}/package/wixl.py ${PROJECT_SOURCE_DIR}/scripts/sign.sh
                ${pkcs12} TqTouchCalib TqTouchApplet TqTouchSvc TqTouchInit TqTouchHelp
                ${TQ_HELP_FILE}
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
        COMMENT "Building the installation package ${output}"
        VERBATIM)
    add_custom_target(${target} ALL DEPENDS ${output})
endfunction()

set(TQ_PACKAGE_FILE
    ${CMAKE_BINARY_DIR}/package/TqTouch-${PROJECT_VERSION}-${TQ_PACKAGE_ARCH}.msi)
tq_msi(TqTouchPackage ${TQ_PACKAGE_FILE} ${PROJECT_VERSION})
