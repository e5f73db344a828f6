#include "tests/pictures/XmlCheck.h"

#include <cstdlib>
#include <set>
#include <vector>

#include "report/MarkupText.h"

namespace tavorin::testing {
namespace {

bool IsNameStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

class Parser {
  public:
    explicit Parser(std::string_view text) : text_(text) {}

    XmlCheckResult Run() {
        if (!ValidCharacters()) return result_;
        if (StartsWith("<?xml")) {
            if (!SkipPast("?>")) return Fail("unterminated XML declaration");
        }
        SkipMisc();
        if (StartsWith("<!DOCTYPE")) {
            const std::size_t end = text_.find('>', pos_);
            if (end == std::string_view::npos ||
                text_.substr(pos_, end - pos_).find('[') != std::string_view::npos) {
                return Fail("unsupported DOCTYPE");
            }
            pos_ = end + 1;
            SkipMisc();
        }
        if (!StartsWith("<")) return Fail("no root element");
        if (!Element()) return result_;
        SkipMisc();
        if (pos_ != text_.size()) return Fail("content after the root element");
        result_.wellFormed = true;
        return result_;
    }

  private:
    XmlCheckResult Fail(const std::string& problem) {
        if (result_.problem.empty()) result_.problem = problem + " at byte " + std::to_string(pos_);
        result_.wellFormed = false;
        return result_;
    }

    bool ValidCharacters() {
        while (pos_ < text_.size()) {
            const std::size_t length = markup_detail::AcceptedSequenceLength(text_.substr(pos_));
            if (length == 0) {
                Fail("invalid UTF-8 or a character XML forbids");
                return false;
            }
            pos_ += length;
        }
        pos_ = 0;
        return true;
    }

    bool StartsWith(std::string_view prefix) const {
        return text_.substr(pos_).starts_with(prefix);
    }

    bool SkipPast(std::string_view terminator) {
        const std::size_t end = text_.find(terminator, pos_);
        if (end == std::string_view::npos) return false;
        pos_ = end + terminator.size();
        return true;
    }

    void SkipSpace() {
        while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_;
    }

    void SkipMisc() {
        for (;;) {
            SkipSpace();
            if (StartsWith("<!--")) {
                if (!SkipPast("-->")) return;
            } else {
                return;
            }
        }
    }

    bool Name(std::string& name) {
        if (pos_ >= text_.size() || !IsNameStart(text_[pos_])) return false;
        const std::size_t start = pos_;
        while (pos_ < text_.size() && IsNameChar(text_[pos_])) ++pos_;
        name = std::string(text_.substr(start, pos_ - start));
        return true;
    }

    bool Reference() {
        // pos_ is at '&'.
        const std::size_t end = text_.find(';', pos_);
        if (end == std::string_view::npos) {
            Fail("unterminated character reference");
            return false;
        }
        const std::string_view body = text_.substr(pos_ + 1, end - pos_ - 1);
        static const std::set<std::string_view> predefined{"amp", "lt", "gt", "quot", "apos"};
        bool valid = predefined.count(body) > 0;
        if (!valid && body.size() > 1 && body[0] == '#') {
            const bool hex = body[1] == 'x';
            const std::string_view digits = body.substr(hex ? 2 : 1);
            valid = !digits.empty();
            for (char c : digits) {
                const bool digit = (c >= '0' && c <= '9') ||
                                   (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
                valid = valid && digit;
            }
        }
        if (!valid) {
            Fail("unknown character reference &" + std::string(body) + ";");
            return false;
        }
        pos_ = end + 1;
        return true;
    }

    bool AttributeValue() {
        if (pos_ >= text_.size() || (text_[pos_] != '"' && text_[pos_] != '\'')) {
            Fail("unquoted attribute value");
            return false;
        }
        const char quote = text_[pos_++];
        while (pos_ < text_.size() && text_[pos_] != quote) {
            if (text_[pos_] == '<') {
                Fail("'<' in an attribute value");
                return false;
            }
            if (text_[pos_] == '&') {
                if (!Reference()) return false;
                continue;
            }
            ++pos_;
        }
        if (pos_ >= text_.size()) {
            Fail("unterminated attribute value");
            return false;
        }
        ++pos_;
        return true;
    }

    // One element and its content; pos_ is at '<'.
    bool Element() {
        ++pos_;
        std::string name;
        if (!Name(name)) {
            Fail("bad element name");
            return false;
        }
        if (result_.rootName.empty()) result_.rootName = name;
        std::set<std::string> attributes;
        for (;;) {
            const std::size_t before = pos_;
            SkipSpace();
            if (StartsWith("/>")) {
                pos_ += 2;
                return true;
            }
            if (StartsWith(">")) {
                ++pos_;
                break;
            }
            std::string attribute;
            if (pos_ == before || !Name(attribute)) {
                Fail("bad attribute in <" + name + ">");
                return false;
            }
            if (!attributes.insert(attribute).second) {
                Fail("repeated attribute " + attribute);
                return false;
            }
            SkipSpace();
            if (!StartsWith("=")) {
                Fail("attribute without value");
                return false;
            }
            ++pos_;
            SkipSpace();
            if (!AttributeValue()) return false;
        }
        return Content(name);
    }

    bool Content(const std::string& name) {
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c == '&') {
                if (!Reference()) return false;
            } else if (StartsWith("</")) {
                pos_ += 2;
                std::string closing;
                if (!Name(closing) || closing != name) {
                    Fail("</" + closing + "> closes <" + name + ">");
                    return false;
                }
                SkipSpace();
                if (!StartsWith(">")) {
                    Fail("bad end tag");
                    return false;
                }
                ++pos_;
                return true;
            } else if (StartsWith("<!--")) {
                if (!SkipPast("-->")) {
                    Fail("unterminated comment");
                    return false;
                }
            } else if (StartsWith("<![CDATA[")) {
                if (!SkipPast("]]>")) {
                    Fail("unterminated CDATA");
                    return false;
                }
            } else if (c == '<') {
                if (!Element()) return false;
            } else {
                ++pos_;
            }
        }
        Fail("<" + name + "> is never closed");
        return false;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    XmlCheckResult result_;
};

}  // namespace

XmlCheckResult CheckXmlWellFormed(std::string_view text) { return Parser(text).Run(); }

XmllintResult RunXmllint(const std::string& path) {
    XmllintResult result;
    result.available = std::system("command -v xmllint >/dev/null 2>&1") == 0;
    if (!result.available) return result;
    const std::string command = "xmllint --noout '" + path + "' 2>/dev/null";
    result.passed = std::system(command.c_str()) == 0;
    return result;
}

}  // namespace tavorin::testing
