// The libtiff and libgeotiff calls the GeoTIFF writer makes, one
// VELKARO_TIFF_CALL(name) each; included by tiff_calls.h and tiff_calls.cpp
// with the macro set.
VELKARO_TIFF_CALL(GTIFFree)
VELKARO_TIFF_CALL(GTIFKeySet)
VELKARO_TIFF_CALL(GTIFNew)
VELKARO_TIFF_CALL(GTIFWriteKeys)
VELKARO_TIFF_CALL(TIFFClose)
VELKARO_TIFF_CALL(TIFFDefaultStripSize)
VELKARO_TIFF_CALL(TIFFFlush)
VELKARO_TIFF_CALL(TIFFOpenExt)
VELKARO_TIFF_CALL(TIFFOpenOptionsAlloc)
VELKARO_TIFF_CALL(TIFFOpenOptionsFree)
VELKARO_TIFF_CALL(TIFFOpenOptionsSetErrorHandlerExtR)
VELKARO_TIFF_CALL(TIFFOpenOptionsSetWarningHandlerExtR)
VELKARO_TIFF_CALL(TIFFSetField)
VELKARO_TIFF_CALL(TIFFWriteScanline)
VELKARO_TIFF_CALL(XTIFFInitialize)
