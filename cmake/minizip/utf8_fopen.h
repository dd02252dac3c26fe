/* Forced into minizip's ioapi.c: its fopen calls take UTF-8 names. */
#ifndef PACKSMITH_UTF8_FOPEN_H
#define PACKSMITH_UTF8_FOPEN_H
#include <stdio.h>
FILE* packsmith_utf8_fopen(const char* name, const char* mode);
#define fopen packsmith_utf8_fopen
#define fopen64 packsmith_utf8_fopen
#endif
