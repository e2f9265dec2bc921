# Sourced by the Windows scripts: where Wine's loader and server are. Debian's
# wine64 package puts them in /usr/lib/wine only; the wine package (or
# another Wine) may put wrappers on PATH.
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
