# cmake -DSOURCE=... -DTARGET=... -P copy_if_missing.cmake
# Copies SOURCE to TARGET unless TARGET exists already.
if(NOT EXISTS "${TARGET}")
  file(COPY_FILE "${SOURCE}" "${TARGET}")
endif()
