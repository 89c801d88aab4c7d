# The API reference: Doxygen over the public headers, HTML in BUILD/docs/html.
# Any warning fails the target, so an export without its documentation stops the build.
find_package(Doxygen QUIET)
if(NOT DOXYGEN_FOUND)
  return()
endif()
set(HOSTUTIL_DOXYGEN_INPUT include/hostutil.h ${HOSTUTIL_PUBLIC_HEADERS})
list(JOIN HOSTUTIL_DOXYGEN_INPUT " " HOSTUTIL_DOXYGEN_INPUT)
configure_file(cmake/Doxyfile.in ${PROJECT_BINARY_DIR}/Doxyfile @ONLY)
add_custom_target(docs
  COMMAND ${DOXYGEN_EXECUTABLE} ${PROJECT_BINARY_DIR}/Doxyfile
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
  COMMENT "API reference in ${PROJECT_BINARY_DIR}/docs/html"
  VERBATIM)
