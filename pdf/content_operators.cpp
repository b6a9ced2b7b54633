#include "pdf/content_operators.h"

#include <cctype>

namespace {

bool Is_Space(char C)
{
    return C == ' ' || C == '\n' || C == '\r' || C == '\t' || C == '\f' || C == '\0';
}

bool Is_Delimiter(char C)
{
    switch (C) {
    case '(':
    case ')':
    case '<':
    case '>':
    case '[':
    case ']':
    case '{':
    case '}':
    case '/':
    case '%':
        return true;
    default:
        return false;
    }
}

bool Is_Regular(char C) { return !Is_Space(C) && !Is_Delimiter(C); }

class T_Scanner {
public:
    explicit T_Scanner(std::string_view Content) : Text_(Content) {}

    T_Content_Operators Count()
    {
        while (At_ < Text_.size()) {
            const char c = Text_[At_];
            if (Is_Space(c))
                ++At_;
            else if (c == '%')
                Skip_Comment();
            else if (c == '(')
                Skip_String();
            else if (c == '/')
                Read_Name();
            else if (Is_Regular(c))
                Read_Word();
            else
                Skip_Delimiter();
        }
        return std::move(Count_);
    }

private:
    void Skip_Comment()
    {
        while (At_ < Text_.size() && Text_[At_] != '\n' && Text_[At_] != '\r')
            ++At_;
    }

    // Parentheses nest in a string unless escaped by a backslash.
    void Skip_String()
    {
        int depth = 0;
        for (; At_ < Text_.size(); ++At_) {
            const char c = Text_[At_];
            if (c == '\\')
                ++At_;
            else if (c == '(')
                ++depth;
            else if (c == ')' && --depth == 0)
                break;
        }
        ++At_;
        Last_Name_.clear();
    }

    // A hex string, or the "<<" and ">>" around a dictionary.
    void Skip_Delimiter()
    {
        if (Text_[At_] == '<' && At_ + 1 < Text_.size() && Text_[At_ + 1] != '<') {
            while (At_ < Text_.size() && Text_[At_] != '>')
                ++At_;
        }
        ++At_;
        Last_Name_.clear();
    }

    void Read_Name()
    {
        const std::size_t start = ++At_;
        while (At_ < Text_.size() && Is_Regular(Text_[At_]))
            ++At_;
        Last_Name_ = "/";
        for (std::size_t i = start; i < At_; ++i) {
            if (Text_[i] == '#' && i + 2 < At_ &&
                std::isxdigit(static_cast<unsigned char>(Text_[i + 1])) &&
                std::isxdigit(static_cast<unsigned char>(Text_[i + 2]))) {
                Last_Name_ += char(std::stoi(std::string(Text_.substr(i + 1, 2)), nullptr, 16));
                i += 2;
            } else {
                Last_Name_ += Text_[i];
            }
        }
    }

    void Read_Word()
    {
        const std::size_t start = At_;
        while (At_ < Text_.size() && Is_Regular(Text_[At_]))
            ++At_;
        const std::string_view word = Text_.substr(start, At_ - start);
        const char first = word.front();
        const bool operand = std::isdigit(static_cast<unsigned char>(first)) || first == '+' ||
                             first == '-' || first == '.' || word == "true" || word == "false" ||
                             word == "null";
        if (!operand) {
            ++Count_.Operators;
            if (word == "Do" && !Last_Name_.empty())
                ++Count_.Drawn[Last_Name_];
            else if (word == "ID")
                Skip_Inline_Image();
        }
        Last_Name_.clear();
    }

    // An inline image's data runs from one byte after ID to an EI between
    // white space (or the end); its EI is an operator.
    void Skip_Inline_Image()
    {
        ++At_;
        for (; At_ + 1 < Text_.size(); ++At_) {
            if (Text_[At_] == 'E' && Text_[At_ + 1] == 'I' &&
                (At_ == 0 || Is_Space(Text_[At_ - 1])) &&
                (At_ + 2 == Text_.size() || Is_Space(Text_[At_ + 2]))) {
                At_ += 2;
                ++Count_.Operators;
                return;
            }
        }
        At_ = Text_.size();
    }

    std::string_view Text_;
    std::size_t At_ = 0;
    std::string Last_Name_;
    T_Content_Operators Count_;
};

} // namespace

T_Content_Operators Count_Content_Operators(std::string_view Content)
{
    return T_Scanner(Content).Count();
}
