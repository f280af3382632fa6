set(QZAN_PLATFORM_UI_SOURCES ui_stub.cpp)
