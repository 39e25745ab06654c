#include "support/TextUtil.h"

namespace support {

void NextToken(const std::string& text, char delimiter, int& position, std::string& token) {
    token.clear();
    if (position <= 0) {  // 0 is "used up"; a negative position is treated alike
        position = 0;
        return;
    }
    const int n = static_cast<int>(text.size());
    if (n == 0) {
        position = 0;
        return;
    }
    while (position <= n && text[position - 1] == delimiter) ++position;
    if (position > n) {
        position = 0;
        return;
    }
    int end = position;
    while (end <= n && text[end - 1] != delimiter) ++end;
    token = text.substr(position - 1, end - position);
    position = end > n ? 0 : end;
}

std::string RightJustify(const std::string& text, int width) {
    if (width <= 0)
        return std::string();
    const std::size_t w = static_cast<std::size_t>(width);
    if (text.size() >= w)
        return text.substr(text.size() - w);
    return std::string(w - text.size(), ' ') + text;
}

std::string ReverseText(const std::string& text) {
    return std::string(text.rbegin(), text.rend());
}

std::string ChangeStr(const std::string& text, const std::string& newPart,
                      const std::string& oldPart) {
    if (oldPart.empty())
        return text;
    std::string result;
    std::size_t from = 0;
    for (std::size_t hit = text.find(oldPart); hit != std::string::npos;
         hit = text.find(oldPart, from)) {
        result.append(text, from, hit - from);
        result += newPart;
        from = hit + oldPart.size();
    }
    result.append(text, from, std::string::npos);
    return result;
}

std::string CommaList(const std::vector<std::string>& texts) {
    std::string list;
    for (const std::string& text : texts) list += (list.empty() ? "" : ", ") + text;
    return list;
}

}  // namespace support
