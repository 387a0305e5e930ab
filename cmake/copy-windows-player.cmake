# Copies SOURCE to TARGET when SOURCE exists; without it the designer tells
# the author at "Create CD" time, so a missing Windows build is no build error.
if(EXISTS "${SOURCE}")
  get_filename_component(dir "${TARGET}" DIRECTORY)
  file(MAKE_DIRECTORY "${dir}")
  file(COPY_FILE "${SOURCE}" "${TARGET}" ONLY_IF_DIFFERENT)
else()
  message(STATUS "No Windows player at ${SOURCE}: run scripts/build-windows")
endif()
