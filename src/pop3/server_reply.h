#pragma once

#include <string>
#include <vector>

namespace kestrel {

// One server reply: its status word and text lines. The two codes are coupled.
class ServerReply {
  public:
    std::vector<std::string> Text;

    int NumericCode() const { return numericCode_; }
    const std::string& TextCode() const { return textCode_; }
    // A code above 0 also sets TextCode to its decimal text.
    void SetNumericCode(int code);
    // A non-empty text also sets NumericCode to its integer value, 0 when it is none.
    void SetTextCode(const std::string& code);
    void Clear();
    // All lines of Text, each followed by CR LF.
    std::string JoinedText() const;

  private:
    int numericCode_ = 0;
    std::string textCode_;
};

// The status word and text lines of the collected reply lines.
void ParseReplyLines(const std::vector<std::string>& lines, ServerReply& reply);

} // namespace kestrel
