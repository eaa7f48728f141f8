# The program's database is the user's data: it is written once and never overwritten.
if(NOT EXISTS ${DST})
    file(COPY_FILE ${SRC} ${DST})
endif()
