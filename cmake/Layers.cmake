# Velkaro's libraries in layers, from the bottom up. A library may use (link,
# and include the headers of) the libraries of lower layers only: never one of
# its own layer or above. Every library lives in src/<name> and builds as
# velkaro_<name>.
#
# Checked twice: at configure time over what each library links
# (velkaro_check_layer_links below), and by the test LayerCheck over every
# #include under src/ (CheckLayers.cmake).
set(VELKARO_LAYERS
  "core subtitleformat unpack"  # text, files, diagnostics; subtitle text formats; archives in a worker
  "net"                         # HTTP client, fetch-ahead, dispatcher, worker base
  "settings video"              # program files and settings, sites table; reading a film's videos
  "download update speech"      # a row's download; the start-up version check; speech in a video's sound
  "search subtitle"             # the search engine; a download made ready beside the videos
  "match sync"                  # how well a row fits a film's videos; a subtitle timed to the speech
  "fetch"                       # the best row fetched and made ready without the list
  "ui cli"                      # the window and the command line
)

# The layer of `library` into `out`; -1 for a name no layer lists.
function(velkaro_layer_of library out)
  set(rank 0)
  foreach(layer IN LISTS VELKARO_LAYERS)
    string(REPLACE " " ";" members "${layer}")
    if(library IN_LIST members)
      set(${out} ${rank} PARENT_SCOPE)
      return()
    endif()
    math(EXPR rank "${rank} + 1")
  endforeach()
  set(${out} -1 PARENT_SCOPE)
endfunction()

# Every velkaro_<name> library links only libraries of lower layers.
function(velkaro_check_layer_links)
  foreach(layer IN LISTS VELKARO_LAYERS)
    string(REPLACE " " ";" members "${layer}")
    foreach(library IN LISTS members)
      if(NOT TARGET velkaro_${library})
        continue()
      endif()
      velkaro_layer_of(${library} rank)
      get_target_property(links velkaro_${library} LINK_LIBRARIES)
      foreach(link IN LISTS links)
        if(link MATCHES "^velkaro_(.+)$")
          velkaro_layer_of(${CMAKE_MATCH_1} used)
          if(used GREATER_EQUAL 0 AND used GREATER_EQUAL rank)
            message(FATAL_ERROR "velkaro_${library} links ${link}, which is not in a lower layer (cmake/Layers.cmake)")
          endif()
        endif()
      endforeach()
    endforeach()
  endforeach()
endfunction()
