# Writes OUTPUT, a C++ source defining `extern const char NAME[]` with the bytes of INPUT.
file(READ "${INPUT}" content HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," content "${content}")
file(WRITE "${OUTPUT}" "// Generated from ${INPUT}; do not edit.\nextern const char ${NAME}[];\nconst char ${NAME}[] = {${content} 0};\n")
