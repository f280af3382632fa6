# qzan_require_gui_free(target): fails the configure when `target` links,
# directly or through any library it links, one of the libraries for windows
# (Qt Gui, Widgets, UiTools, Svg, PrintSupport, QCustomPlot) or the
# user-interface room of the platform. A program without a display, and the
# rooms it links, must run where there is none.
# Every library `target` links, by name, as far as the link rules tell.
# Inside a generator expression every target name counts, whatever the
# condition: a dependency that is only sometimes there is still one.
function(qzan_linked_libraries target out)
  set(seen "")
  set(queue ${target})
  while(queue)
    list(POP_FRONT queue item)
    if(item IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${item})
    if(NOT TARGET ${item})
      continue()
    endif()
    get_target_property(aliased ${item} ALIASED_TARGET)
    if(aliased)
      list(APPEND queue ${aliased})
      continue()
    endif()
    set(links "")
    get_target_property(type ${item} TYPE)
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(own ${item} LINK_LIBRARIES)
      if(own)
        list(APPEND links ${own})
      endif()
    endif()
    get_target_property(iface ${item} INTERFACE_LINK_LIBRARIES)
    if(iface)
      list(APPEND links ${iface})
    endif()
    foreach(link IN LISTS links)
      if(link MATCHES "\\$<")
        string(REGEX MATCHALL "[A-Za-z0-9_.+-]+::[A-Za-z0-9_.+-]+|qzan_[A-Za-z0-9_]+"
               names "${link}")
        list(APPEND queue ${names})
      else()
        list(APPEND queue ${link})
      endif()
    endforeach()
  endwhile()
  list(REMOVE_ITEM seen ${target})
  set(${out} ${seen} PARENT_SCOPE)
endfunction()

function(qzan_check_gui_free target)
  set(gui Qt6::Gui Qt6::Widgets Qt6::UiTools Qt6::Svg Qt6::PrintSupport Qt6::OpenGL
          Qt6::OpenGLWidgets QCustomPlotQt6::QCustomPlotQt6 qzan_platform_ui)
  qzan_linked_libraries(${target} linked)
  foreach(library IN LISTS gui)
    if(library IN_LIST linked)
      message(FATAL_ERROR "${target} must run without a display, but it links ${library}")
    endif()
  endforeach()
endfunction()

# The check runs once the whole project is read, when every link is known.
function(qzan_require_gui_free target)
  cmake_language(EVAL CODE "
    cmake_language(DEFER DIRECTORY [[${PROJECT_SOURCE_DIR}]]
                   CALL qzan_check_gui_free [[${target}]])")
endfunction()
