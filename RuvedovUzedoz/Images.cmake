# Reading and preparing pictures (libvips) and the image caches.
target_sources(RuvedovUzedoz PRIVATE
  Images/CGImageCache.cpp
  Images/CIImageCache.cpp
  Images/ImagePipeline.cpp
  Images/ImagePool.cpp
  Images/ImageReader.cpp
  Images/JpegStructure.cpp
  Images/LazyImage.cpp
  Images/PictureFile.cpp
  Images/PreparedImage.cpp
  Images/TargetSize.cpp
  Images/VipsConversion.cpp
  Images/VipsRuntime.cpp
)
