#include "svf/tokenizer.h"

#include "core/blank.h"

namespace kestrix {

void TokenCursor::skipBlanks() {
  while (position_ < text_.size() && isBlank(text_[position_])) ++position_;
}

bool TokenCursor::takeToken(std::string_view& token) {
  token = {};
  skipBlanks();
  if (position_ < text_.size()) {
    char c = text_[position_];
    if (c == '(') *inParentheses_ = true;
    if (c == '(' || c == ')') ++position_;
  }
  skipBlanks();
  if (position_ >= text_.size()) {
    position_ = text_.size();
    return false;
  }
  std::size_t start = position_;
  std::size_t end = start;
  if (*inParentheses_) {
    end = text_.find(')', start);
    if (end == std::string_view::npos) {
      end = text_.size();
    } else {
      *inParentheses_ = false;
    }
  } else {
    while (end < text_.size() && text_[end] != ' ' && text_[end] != '\t' && text_[end] != '(') {
      ++end;
    }
    if (end < text_.size() && text_[end] == '(') *inParentheses_ = true;
  }
  // The character that ended the token belongs neither to it nor to the rest.
  position_ = end < text_.size() ? end + 1 : end;
  while (end > start && isBlank(text_[end - 1])) --end;
  token = text_.substr(start, end - start);
  skipBlanks();
  if (position_ < text_.size() && text_[position_] == '(') *inParentheses_ = true;
  return true;
}

bool nextToken(TokenCursor& cursor, std::string_view& keyword, std::string_view& value) {
  if (cursor.empty()) return false;
  bool haveKeyword = cursor.takeToken(keyword);
  bool haveValue = cursor.takeToken(value);
  return haveKeyword && haveValue;
}

}  // namespace kestrix
