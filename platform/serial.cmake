# The serial-port services on Qt SerialPort.
set(QZAN_PLATFORM_SERIAL_SOURCES
  serial_api.cpp
  serial_events.cpp
  serial_explain.cpp
  serial_os.cpp
  serial_port.cpp
)
# Which device a port number reaches and which serial devices are present:
# the serial services open by it and the COM drop-down lists it, so it lives
# in the run-time core that both parts link.
target_sources(qzan_platform_rt PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/serial_names.cpp
  ${CMAKE_CURRENT_LIST_DIR}/serial_catalog.cpp
)
