# One imported target per dependency; everything comes from Debian packages.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

pkg_check_modules(mpv REQUIRED IMPORTED_TARGET mpv)
pkg_check_modules(sqlite3 REQUIRED IMPORTED_TARGET sqlite3)
# Tempo and beats of a track (libaubio), for the musical map.
pkg_check_modules(aubio REQUIRED IMPORTED_TARGET aubio)
pkg_check_modules(ffmpeg REQUIRED IMPORTED_TARGET libavcodec libavformat libavutil libswresample)
# The joiner links only the resampler; it loads the decoder libraries when a file needs them.
pkg_check_modules(swresample REQUIRED IMPORTED_TARGET libavutil libswresample)
# Loudness (EBU R128) of the inputs of a matched join.
pkg_check_modules(ebur128 REQUIRED IMPORTED_TARGET libebur128)

find_package(GTest REQUIRED)
include(GoogleTest)

find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Svg Test DBus)
if(TAVREL_BENCH)
    find_package(benchmark QUIET)
endif()
