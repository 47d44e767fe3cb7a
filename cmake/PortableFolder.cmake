# build/bin is a portable folder whichever program is built, alone or with
# others: the default settings and the read-me stand beside the programs.
# Files already there are the user's and are never overwritten. An installed
# program finds the same two files in its data folder (packaging/CMakeLists.txt).
set(VELKARO_DEFAULTS_DIR ${PROJECT_SOURCE_DIR}/src/ui/defaults)

add_custom_target(velkaro_portable_folder
  COMMAND ${CMAKE_COMMAND} -DSOURCE=${VELKARO_DEFAULTS_DIR}/conf.vkcf
          -DTARGET=${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/conf.vkcf -P ${CMAKE_CURRENT_LIST_DIR}/CopyIfMissing.cmake
  COMMAND ${CMAKE_COMMAND} -DSOURCE=${VELKARO_DEFAULTS_DIR}/BENIOKU.txt
          -DTARGET=${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/BENIOKU.txt -P ${CMAKE_CURRENT_LIST_DIR}/CopyIfMissing.cmake
  COMMENT "Default settings and read-me beside the programs"
  VERBATIM)

# A program that reads the files beside it (settings, proxy, read-me) depends
# on them, so a build of that program alone (velkaro-cli, say) leaves a folder
# it runs in.
function(velkaro_reads_program_files target)
  add_dependencies(${target} velkaro_portable_folder)
endfunction()
