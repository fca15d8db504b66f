#pragma once

#include <cstddef>
#include <string_view>

namespace kestrix {

// Takes a statement (or a value) apart from the front, token by token. A token is a word ended
// by a space, a tab or "(", or the whole content of a pair of parentheses. Consuming the front
// only advances an offset, so taking every token of a text costs time linear in its length.
// Tokens are views into the text, which must outlive them.
class TokenCursor {
 public:
  // `inParentheses` is shared by every cursor of one statement: a "(" seen by one is still
  // open for the next.
  TokenCursor(std::string_view text, bool& inParentheses)
      : text_(text), inParentheses_(&inParentheses) {}

  // The next token; false (and the text used up) when none is left.
  bool takeToken(std::string_view& token);
  // Nothing is left of the text.
  bool empty() const { return position_ >= text_.size(); }

  struct Mark {
    std::size_t position;
    bool inParentheses;
  };
  // For looking ahead: a mark taken before some takeToken calls undoes them all.
  Mark mark() const { return {position_, *inParentheses_}; }
  void restore(Mark mark) {
    position_ = mark.position;
    *inParentheses_ = mark.inParentheses;
  }

 private:
  void skipBlanks();

  std::string_view text_;
  std::size_t position_ = 0;
  bool* inParentheses_;
};

// A keyword and the value after it; false when the text holds no complete pair (a lone keyword
// at the end of a statement is dropped).
bool nextToken(TokenCursor& cursor, std::string_view& keyword, std::string_view& value);

}  // namespace kestrix
