#include "driver/tokenizer.h"

Cursor SkipSpaces(Cursor cursor) {
  if (!cursor) return cursor;
  while (*cursor == u' ') ++cursor;
  return cursor;
}

Cursor SkipToken(Cursor cursor) {
  if (!cursor) return cursor;
  bool quoted = false;
  while (*cursor && (quoted || *cursor != u' ')) {
    if (*cursor == u'"') quoted = !quoted;
    ++cursor;
  }
  return cursor;
}

WString CopyToken(Cursor cursor) {
  WString token;
  cursor = SkipSpaces(cursor);
  if (!cursor) return token;
  bool quoted = false;
  while (*cursor && (quoted || *cursor != u' ')) {
    if (*cursor == u'"') quoted = !quoted;
    else token.push_back(*cursor);
    ++cursor;
  }
  return token;
}

Cursor NextToken(Cursor cursor) { return SkipSpaces(SkipToken(cursor)); }

bool MatchWord(Cursor cursor, WStringView word) {
  if (!cursor) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    if (!cursor[i] || AsciiLower(cursor[i]) != AsciiLower(word[i])) return false;
  }
  const char16_t after = cursor[word.size()];
  return after == 0 || after == u' ';
}
