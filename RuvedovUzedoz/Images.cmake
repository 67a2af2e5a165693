# Reading and preparing pictures (libvips) and the image caches.
list(APPEND engine_sources
  Images/CGImageCache.cpp
  Images/CIImageCache.cpp
  Images/ImagePipeline.cpp
  Images/ImagePool.cpp
  Images/ImageReader.cpp
  Images/JpegStructure.cpp
  Images/LazyImage.cpp
  Images/PreparedImage.cpp
  Images/TargetSize.cpp
  Images/VipsConversion.cpp
  Images/VipsRuntime.cpp
)
