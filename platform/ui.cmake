# The user-interface services: panels from the panel file, controls and their
# events, graphs, the file popup.
set(QZAN_PLATFORM_UI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/ui_registry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui_loader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui_panels.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui_events.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui_values.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui_attributes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui_widgets.h
  ${CMAKE_CURRENT_LIST_DIR}/ui_widgets.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui_graph.h
  ${CMAKE_CURRENT_LIST_DIR}/ui_graph.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui_graph_api.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui_filepopup.cpp
)
# Our headers are named ui_*.h like uic's output; none of them comes from uic.
set_source_files_properties(${QZAN_PLATFORM_UI_SOURCES} PROPERTIES SKIP_AUTOUIC ON)
