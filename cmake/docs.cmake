# The API reference: `cmake --build BUILD --target docs` runs doxygen over the
# public headers into BUILD/docs/html. Only when doxygen is installed; a warning
# (an undocumented export, a broken reference) fails the target.

# Run as a script (cmake -DINCLUDE_DIR=... -P docs.cmake): doxygen documents
# only the members of files that carry a file comment, so a header without one
# would drop out of the reference silently; fail instead.
if(CMAKE_SCRIPT_MODE_FILE)
    file(GLOB headers ${INCLUDE_DIR}/*.h)
    foreach(header ${headers})
        file(STRINGS ${header} file_comment REGEX "^/\\*\\* \\\\file$" LIMIT_COUNT 1)
        if(NOT file_comment)
            message(FATAL_ERROR "${header}: no /** \\file comment at its top")
        endif()
    endforeach()
    return()
endif()

find_package(Doxygen QUIET)
if(NOT DOXYGEN_FOUND)
    message(STATUS "no doxygen: no docs target")
    return()
endif()
set(PTP_DOCS_DIR ${CMAKE_CURRENT_BINARY_DIR}/docs)
configure_file(${CMAKE_CURRENT_LIST_DIR}/Doxyfile.in ${PTP_DOCS_DIR}/Doxyfile @ONLY)
file(GLOB PTP_DOC_HEADERS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/include/*.h)
add_custom_command(OUTPUT ${PTP_DOCS_DIR}/html/index.html
    COMMAND ${CMAKE_COMMAND} -DINCLUDE_DIR=${CMAKE_CURRENT_SOURCE_DIR}/include
            -P ${CMAKE_CURRENT_LIST_FILE}
    COMMAND ${DOXYGEN_EXECUTABLE} ${PTP_DOCS_DIR}/Doxyfile
    DEPENDS ${PTP_DOCS_DIR}/Doxyfile ${PTP_DOC_HEADERS} ${CMAKE_CURRENT_SOURCE_DIR}/README.md
    WORKING_DIRECTORY ${PTP_DOCS_DIR}
    COMMENT "API reference (doxygen) in ${PTP_DOCS_DIR}/html"
    VERBATIM)
add_custom_target(docs DEPENDS ${PTP_DOCS_DIR}/html/index.html)
