# The libraries the release folder does not carry: every Linux desktop has
# them, and a copy of ours could clash with the system's own (its graphics
# driver and its X server client libraries load them too). Regular
# expressions on the library's file name.
set(VANTREL_BASE_LIBRARIES
  # The C library and the dynamic loader: always the system's.
  "^ld-linux-x86-64\\.so" "^libc\\.so" "^libm\\.so" "^libpthread\\.so" "^libdl\\.so"
  "^librt\\.so" "^libresolv\\.so"
  # The C++ runtime: newer on newer systems and shared with the GL driver.
  "^libstdc\\+\\+\\.so" "^libgcc_s\\.so"
  # X11 and the core xcb extensions the X server's clients all use.
  "^libX11\\.so" "^libX11-xcb\\.so" "^libXau\\.so" "^libXdmcp\\.so" "^libXext\\.so"
  "^libXrender\\.so"
  "^libxcb(-(dri2|dri3|glx|present|randr|render|shape|shm|sync|xfixes))?\\.so"
  # Fonts: the system's font configuration goes with its own libraries,
  # and with the ones freetype loads.
  "^libfontconfig\\.so" "^libfreetype\\.so" "^libpng16\\.so" "^libbrotli(dec|common)\\.so"
  "^libbz2\\.so"
  # OpenGL through the system's driver.
  "^libGL\\.so" "^libGLX\\.so" "^libGLdispatch\\.so" "^libEGL\\.so" "^libOpenGL\\.so"
  # Loaded by the GL driver and by fontconfig as well: one copy only.
  "^libz\\.so" "^libzstd\\.so" "^libexpat\\.so" "^libffi\\.so")
