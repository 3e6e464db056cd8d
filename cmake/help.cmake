# HTML Help files (.chm), compiled at build time by scripts/help/tqchmc.pas, a small Free Pascal
# program over the chm package's project writer. Debian's chmfilewriter.pas (3.2.2) puts the
# project folder's absolute path into the context map, so HH_HELP_CONTEXT finds no topic; the
# build copies that unit from fpc-source and mends the line before compiling the program.

find_program(TQ_FPC fpc)
find_program(TQ_PATCH patch)
set(TQ_FPC_VERSION "")
if(TQ_FPC)
    execute_process(COMMAND ${TQ_FPC} -iV OUTPUT_VARIABLE TQ_FPC_VERSION
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
set(TQ_CHMFILEWRITER /usr/share/fpcsrc/${TQ_FPC_VERSION}/packages/chm/src/chmfilewriter.pas)
set(tq_help_missing)
if(NOT TQ_FPC_VERSION)
    list(APPEND tq_help_missing
         "the Free Pascal compiler fpc (fp-compiler, fp-units-fcl, fp-units-misc)")
elseif(NOT EXISTS ${TQ_CHMFILEWRITER})
    list(APPEND tq_help_missing "${TQ_CHMFILEWRITER} (fpc-source-${TQ_FPC_VERSION})")
endif()
if(NOT TQ_PATCH)
    list(APPEND tq_help_missing "patch")
endif()
if(tq_help_missing)
    list(JOIN tq_help_missing ", " tq_help_missing)
    message(FATAL_ERROR "The help files cannot be built without ${tq_help_missing}. "
                        "Run scripts/bootstrap.sh to install them.")
endif()

set(TQ_CHMC_DIR ${CMAKE_BINARY_DIR}/tqchmc)
set(TQ_CHMC ${TQ_CHMC_DIR}/tqchmc)
set(TQ_CHMC_PATCH ${CMAKE_SOURCE_DIR}/scripts/help/chmfilewriter-context.patch)
file(MAKE_DIRECTORY ${TQ_CHMC_DIR}/src ${TQ_CHMC_DIR}/units)
# The mended unit sits in src/, which fpc searches before the installed chm units.
add_custom_command(
    OUTPUT ${TQ_CHMC}
    COMMAND ${TQ_PATCH} -s -o ${TQ_CHMC_DIR}/src/chmfilewriter.pas ${TQ_CHMFILEWRITER}
            ${TQ_CHMC_PATCH}
    COMMAND ${TQ_FPC} -l- -v0 -FU${TQ_CHMC_DIR}/units -Fu${TQ_CHMC_DIR}/src -FE${TQ_CHMC_DIR}
            -o${TQ_CHMC} ${CMAKE_SOURCE_DIR}/scripts/help/tqchmc.pas
    DEPENDS ${CMAKE_SOURCE_DIR}/scripts/help/tqchmc.pas ${TQ_CHMC_PATCH} ${TQ_CHMFILEWRITER}
    WORKING_DIRECTORY ${TQ_CHMC_DIR}
    COMMENT "Building the help compiler tqchmc"
    VERBATIM)
add_custom_target(tqchmc DEPENDS ${TQ_CHMC})

# tq_chm(TARGET OUTPUT PROJECT_FILE [DEPENDS files...]): a target that compiles the help project
# PROJECT_FILE (.hhp) into OUTPUT (.chm); DEPENDS names its pages, contents and images.
function(tq_chm target output project)
    cmake_parse_arguments(PARSE_ARGV 3 ARG "" "" "DEPENDS")
    get_filename_component(project ${project} ABSOLUTE)
    get_filename_component(output ${output} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_BINARY_DIR})
    get_filename_component(project_dir ${project} DIRECTORY)
    get_filename_component(output_dir ${output} DIRECTORY)
    add_custom_command(
        OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${output_dir}
        COMMAND ${TQ_CHMC} ${project} ${output}
        DEPENDS tqchmc ${TQ_CHMC} ${project} ${ARG_DEPENDS}
        WORKING_DIRECTORY ${project_dir}
        COMMENT "Compiling help file ${output}"
        VERBATIM)
    add_custom_target(${target} DEPENDS ${output})
endfunction()
