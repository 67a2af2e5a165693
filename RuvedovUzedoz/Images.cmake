# Reading and preparing pictures (libvips) and the image caches.
target_sources(RuvedovUzedoz PRIVATE
  Images/CGImageCache.cpp
  Images/CIImageCache.cpp
  Images/Cancellation.cpp
  Images/ColorProfile.cpp
  Images/DecodeBudget.cpp
  Images/DecodeSize.cpp
  Images/DeflatedRows.cpp
  Images/DecoderProcess.cpp
  Images/ImagePipeline.cpp
  Images/ImagePool.cpp
  Images/ImageReader.cpp
  Images/JpegStructure.cpp
  Images/LazyImage.cpp
  Images/PictureFile.cpp
  Images/PictureFormat.cpp
  Images/PixelDeflation.cpp
  Images/PngStructure.cpp
  Images/PreparedImage.cpp
  Images/RunDeflater.cpp
  Images/TargetSize.cpp
  Images/VipsConversion.cpp
  Images/VipsErrorScope.cpp
  Images/VipsRuntime.cpp
)
# Its lcms2 types stay out of the batches of the other sources.
set_source_files_properties(Images/ColorProfile.cpp PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
