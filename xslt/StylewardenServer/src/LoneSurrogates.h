// Editors may send text that holds an unpaired UTF-16 surrogate (a half-typed emoji, a
// broken paste). JSON can carry it as a "\uD800" escape and some clients write its three
// UTF-8-like bytes; neither is Unicode, and the JSON parser refuses both. Each such surrogate
// becomes U+FFFD, which is one UTF-16 unit too, so positions the editor sends stay valid.
#ifndef STYLEWARDEN_LS_LONESURROGATES_H
#define STYLEWARDEN_LS_LONESURROGATES_H

#include <optional>
#include <string>

// The message body with every lone surrogate replaced by U+FFFD (escape for escape, bytes
// for bytes, so the length stays), or nothing when it holds none.
std::optional<std::string> WithoutLoneSurrogates(const std::string& body);

#endif
