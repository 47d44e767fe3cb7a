# cmake -DSOURCE=file -DTARGET=file -P CopyIfMissing.cmake
# Copies SOURCE to TARGET unless TARGET is already there: it is then the user's.
if(NOT EXISTS "${TARGET}")
  get_filename_component(folder "${TARGET}" DIRECTORY)
  file(MAKE_DIRECTORY "${folder}")
  file(COPY_FILE "${SOURCE}" "${TARGET}")
endif()
