sheetwright_add_test(SheetwrightSettingsTests WIDGETS
  SOURCES
    Settings/SettingsTests.cpp
  LIBRARIES SheetwrightSettings Qt6::Test)
