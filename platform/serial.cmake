# The serial-port services on Qt SerialPort.
set(QZAN_PLATFORM_SERIAL_SOURCES
  serial_api.cpp
  serial_events.cpp
  serial_names.cpp
  serial_os.cpp
  serial_port.cpp
)
