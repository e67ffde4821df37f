# Installs the build into WORK_DIR/root as Debian's packaging would (prefix /usr), then renders and checks
# a copy of the installed template level, away from its Pics, with the installed tavrin-level.
file(REMOVE_RECURSE ${WORK_DIR})
set(root ${WORK_DIR}/root)
set(ENV{DESTDIR} ${root})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /usr
    RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "the install failed")
endif()
file(GLOB_RECURSE in_lib RELATIVE ${root} ${root}/usr/lib/*)
if(in_lib)
    message(FATAL_ERROR "installed in the library directory: ${in_lib}")
endif()
foreach(program tavrin-editor tavrin-level)
    if(NOT EXISTS ${root}/usr/bin/${program})
        message(FATAL_ERROR "${program} is not installed in bin")
    endif()
endforeach()

set(tool ${root}/usr/bin/tavrin-level)
file(COPY ${root}/usr/share/tavrin-editor/PelmarLevel.txt DESTINATION ${WORK_DIR}/away)
execute_process(COMMAND ${tool} check ${WORK_DIR}/away/PelmarLevel.txt
    OUTPUT_VARIABLE found ERROR_VARIABLE trouble)
if(found MATCHES "picture-missing" OR trouble)
    message(FATAL_ERROR "the installed tavrin-level does not find the template's pictures:\n${found}${trouble}")
endif()
execute_process(COMMAND ${tool} render ${WORK_DIR}/away/PelmarLevel.txt -o ${WORK_DIR}/away/screen0.png
    RESULT_VARIABLE result)
if(NOT result EQUAL 0 OR NOT EXISTS ${WORK_DIR}/away/screen0.png)
    message(FATAL_ERROR "the installed tavrin-level did not render the template level")
endif()
