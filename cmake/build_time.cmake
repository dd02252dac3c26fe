# Writes build_info.h (OUT) from build_info.h.in (IN) with the current time,
# in the fixed "Www Mmm dd hh:mm:ss yyyy" form of the banner. Run at every
# build, so the banner tells when the tool was built, not configured.
string(TIMESTAMP PACKSMITH_BUILD_TIME "%a %b %d %H:%M:%S %Y")
# %d gives a zero-padded day; the banner wants it space-padded.
string(REGEX REPLACE "^([A-Za-z]+ [A-Za-z]+ )0" "\\1 " PACKSMITH_BUILD_TIME "${PACKSMITH_BUILD_TIME}")
configure_file(${IN} ${OUT})
