// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/password_forms.h"

#include <algorithm>

namespace tarnvold {

bool is_ascii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::vector<PasswordForm> forms_to_try(std::string_view password, const PasswordForms& how) {
    std::vector<PasswordForm> forms{{how.given, std::string(password)}};
    if (!how.try_others || how.given == 0 || is_ascii(password)) return forms;
    const std::optional<std::string> letters = decode_text(password, how.given);
    if (!letters) return forms;
    std::vector<int> order{kUtf8};
    order.insert(order.end(), how.preferred.begin(), how.preferred.end());
    order.insert(order.end(), kSingleByteCodePages.begin(), kSingleByteCodePages.end());
    for (const int code_page : order) {
        auto bytes = encode_text(*letters, code_page);
        if (!bytes) continue;
        const auto same = [&](const PasswordForm& f) { return f.bytes == *bytes; };
        if (std::none_of(forms.begin(), forms.end(), same)) forms.push_back({code_page, *std::move(bytes)});
    }
    return forms;
}

}  // namespace tarnvold
