# The application type: windows, settings and the updater brought together.
target_sources(SheetwrightWindow PRIVATE
  App/SheetwrightApp.cpp
  App/SoftwareUpdater.cpp
)
