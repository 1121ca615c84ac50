# Writes OUTPUT, a C++ file defining the char array NAME that holds the text
# of INPUT: the page's own script and style, kept as files of their kind and
# built into the program.
file(READ ${INPUT} text)
string(FIND "${text}" ")tempola\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${INPUT} holds the raw string's closing mark")
endif()
file(WRITE ${OUTPUT} "extern const char ${NAME}[];\nconst char ${NAME}[] = R\"tempola(${text})tempola\";\n")
