// Captions are single-byte text taken as it stands in the file; on screen each byte is one
// character of the Windows-1252 code page, never a piece of a UTF-8 sequence.
#pragma once

#include <QString>

#include <string_view>

namespace qel::platform {

[[nodiscard]] QString FromWindows1252(std::string_view bytes);

} // namespace qel::platform
