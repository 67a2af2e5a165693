sheetwright_add_test(RuvedovUzedozModelsTests
  SOURCES
    Models/ColorTests.cpp
  LIBRARIES RuvedovUzedoz)
