# cmake -DREADME=path -DVERSION=x.y -P readmeversion.cmake
# Fails unless the README names the project's version.
file(READ ${README} text)
string(FIND "${text}" "version ${VERSION}" at)
if(at EQUAL -1)
    message(FATAL_ERROR "${README} does not say \"version ${VERSION}\"")
endif()
