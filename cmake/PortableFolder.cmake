# build/bin is a portable folder whichever program is built first, alone or
# with others: the default settings and the read-me stand beside the programs.
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

# Every program defined under DIR depends on the portable folder, so a build of
# any one target (velkaro-cli alone, say) leaves a folder it runs in.
function(velkaro_programs_need_portable_folder dir)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE")
      add_dependencies(${target} velkaro_portable_folder)
    endif()
  endforeach()
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(subdir IN LISTS subdirs)
    velkaro_programs_need_portable_folder(${subdir})
  endforeach()
endfunction()
