// Calls.cpp: comparing and making calls.
#include "Calls.h"

#include <algorithm>
#include <cstring>

bool SameCall(const Call& A, const Call& B) {
  return A.What == B.What && std::equal(A.Arg, A.Arg + 6, B.Arg) &&
         A.TextLength == B.TextLength && std::memcmp(A.Text, B.Text, A.TextLength) == 0;
}

Call MakeCall(Verb V, std::initializer_list<int32_t> Args) {
  Call c{};
  c.What = V;
  int n = 0;
  for (int32_t a : Args) {
    if (n < 6) c.Arg[n++] = a;
  }
  return c;
}

Call MakeText(std::string_view Text) {
  Call c{};
  c.What = Verb::DrawText;
  const std::string_view t = Text.substr(0, MaxTextLength);
  if (!t.empty()) std::memcpy(c.Text, t.data(), t.size());
  c.TextLength = static_cast<uint8_t>(t.size());
  return c;
}
