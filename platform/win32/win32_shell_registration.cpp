#include "platform/win32/win32_shell_registration.h"

// <windows.h> comes before the headers that need it.
// clang-format off
#include <windows.h>
#include <shlobj.h>
// clang-format on

#include <cstdio>
#include <fstream>

namespace platform::win32 {
namespace {

void putWord(std::vector<std::uint8_t>& bytes, unsigned value) {
  bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
  bytes.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void putDword(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
  putWord(bytes, value & 0xFFFF);
  putWord(bytes, value >> 16);
}

std::string systemError(LONG code) {
  char text[256] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                 static_cast<DWORD>(code), 0, text, sizeof text, nullptr);
  std::string message = text;
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
  return message.empty() ? "system error " + std::to_string(code) : message;
}

// Sets the default value of HKCU\Software\Classes\<path>; empty on success.
std::string setClassValue(const std::string& path, const std::string& value) {
  const std::string key = "Software\\Classes\\" + path;
  HKEY handle = nullptr;
  LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                nullptr, &handle, nullptr);
  if (status == ERROR_SUCCESS) {
    status =
        RegSetValueExA(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    RegCloseKey(handle);
  }
  if (status == ERROR_SUCCESS) return {};
  return "HKEY_CURRENT_USER\\" + key + ": " + systemError(status);
}

std::string programPath() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, length);
}

// Where the type's icon file lives: the user's own, writable without rights.
std::string iconFilePath(const std::string& typeId) {
  char folder[MAX_PATH] = {};
  if (FAILED(
          SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, folder))) {
    return {};
  }
  std::string directory = std::string(folder) + "\\KORVANE";
  CreateDirectoryA(directory.c_str(), nullptr);
  return directory + "\\" + typeId + ".ico";
}

}  // namespace

std::vector<std::uint8_t> iconFileBytes(const std::vector<NativeIcon>& images) {
  std::vector<std::uint8_t> bytes;
  putWord(bytes, 0);
  putWord(bytes, 1);  // an icon
  putWord(bytes, static_cast<unsigned>(images.size()));
  std::vector<std::vector<std::uint8_t>> bodies;
  for (const auto& image : images) {
    std::vector<std::uint8_t> body;
    const auto width = static_cast<std::uint32_t>(image.width);
    const auto height = static_cast<std::uint32_t>(image.height);
    // BITMAPINFOHEADER; the height counts the colour and the mask image.
    putDword(body, 40);
    putDword(body, width);
    putDword(body, height * 2);
    putWord(body, 1);
    putWord(body, 32);
    for (int i = 0; i < 6; ++i) putDword(body, 0);
    for (std::uint32_t row = height; row-- > 0;) {  // bottom row first
      for (std::uint32_t x = 0; x < width; ++x) putDword(body, image.argb[row * width + x]);
    }
    const std::uint32_t maskStride = ((width + 31) / 32) * 4;
    for (std::uint32_t row = height; row-- > 0;) {
      std::vector<std::uint8_t> mask(maskStride, 0);
      for (std::uint32_t x = 0; x < width; ++x) {
        // Set bits are transparent.
        if ((image.argb[row * width + x] >> 24) == 0) {
          mask[x / 8] = static_cast<std::uint8_t>(mask[x / 8] | (0x80 >> (x % 8)));
        }
      }
      body.insert(body.end(), mask.begin(), mask.end());
    }
    bodies.push_back(std::move(body));
  }
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    bytes.push_back(static_cast<std::uint8_t>(images[i].width >= 256 ? 0 : images[i].width));
    bytes.push_back(static_cast<std::uint8_t>(images[i].height >= 256 ? 0 : images[i].height));
    bytes.push_back(0);  // no palette
    bytes.push_back(0);
    putWord(bytes, 1);
    putWord(bytes, 32);
    putDword(bytes, static_cast<std::uint32_t>(bodies[i].size()));
    putDword(bytes, offset);
    offset += static_cast<std::uint32_t>(bodies[i].size());
  }
  for (const auto& body : bodies) bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

std::string openCommandFor(const std::string& path) { return "\"" + path + "\" \"%1\""; }

std::string registerDocumentType(const DocumentType& type) {
  const std::string program = programPath();
  if (program.empty())
    return "The program's own path is unknown: " + systemError(static_cast<LONG>(GetLastError()));
  std::string failure = setClassValue(type.extension, type.typeId);
  if (failure.empty()) failure = setClassValue(type.typeId, type.typeName);
  if (failure.empty()) {
    failure = setClassValue(type.typeId + "\\shell\\open\\command", openCommandFor(program));
  }
  if (failure.empty() && !type.icon.empty()) {
    const std::string iconPath = iconFilePath(type.typeId);
    const auto bytes = iconFileBytes(type.icon);
    std::ofstream file(iconPath, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    // Without its own icon file the type shows the program's icon.
    failure = setClassValue(type.typeId + "\\DefaultIcon",
                            !iconPath.empty() && file ? iconPath : program + ",0");
  }
  if (failure.empty()) SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
  return failure;
}

}  // namespace platform::win32
