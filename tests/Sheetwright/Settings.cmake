sheetwright_add_test(SheetwrightSettingsTests WIDGETS
  SOURCES
    Settings/GeneralPreferencesTests.cpp
    Settings/SettingsWindowTests.cpp
  LIBRARIES SheetwrightSettings Qt6::Test)
