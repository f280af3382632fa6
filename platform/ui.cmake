# The user-interface services: panels from the panel file, controls and their
# events, graphs and their exports, the COM drop-down's device list, the file
# popup and the messages to the operator.
set(QZAN_PLATFORM_UI_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/ui_registry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui_loader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui_panels.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui_events.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui_wheel.h
  ${CMAKE_CURRENT_LIST_DIR}/ui_wheel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui_values.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui_attributes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui_widgets.h
  ${CMAKE_CURRENT_LIST_DIR}/ui_widgets.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui_readout.h
  ${CMAKE_CURRENT_LIST_DIR}/ui_readout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui_accessible.h
  ${CMAKE_CURRENT_LIST_DIR}/ui_accessible.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui_portlist.h
  ${CMAKE_CURRENT_LIST_DIR}/ui_portlist.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui_graph.h
  ${CMAKE_CURRENT_LIST_DIR}/ui_graph.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui_graph_api.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui_graph_export.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui_filepopup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ui_messages.cpp
)
# Our headers are named ui_*.h like uic's output; none of them comes from uic.
set_source_files_properties(${QZAN_PLATFORM_UI_SOURCES} PROPERTIES SKIP_AUTOUIC ON)

# SVG export of the graphs. The parts link the platform's Qt libraries
# privately; only the user-interface part calls into this one.
find_package(Qt6 REQUIRED COMPONENTS Svg)
list(APPEND QZAN_QT_LIBS Qt6::Svg)
