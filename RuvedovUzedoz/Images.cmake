# Reading and preparing pictures (libvips) and the image caches.
list(APPEND engine_sources
  Images/ImagePipeline.cpp
  Images/ImagePool.cpp
  Images/ImageReader.cpp
  Images/JpegStructure.cpp
  Images/PreparedImage.cpp
  Images/TargetSize.cpp
  Images/VipsConversion.cpp
  Images/VipsRuntime.cpp
)
