// The settings as text values of one registry key, each written with a
// fixed data length, and their numbers in the process-wide state.
#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>

#include "capture/capture_store.h"
#include "capture/monitor_state.h"
#include "platform/diagnostics/diagnostic_lines.h"
#include "platform/registry/registry_backend.h"
#include "res/resource.h"
#include "res/string_table.h"
#include "serial/line_settings.h"
#include "serial/stored_text.h"
#include "setup/memory_size_rule.h"
#include "setup/setup_dlg.h"

namespace {

using platform::RegistryKey;
using platform::RegistryStatus;

constexpr platform::RegistryRoot kSettingsRoot = platform::RegistryRoot::LocalMachine;
constexpr const char* kSettingsKeyPath = "SYSTEM\\CurrentControlSet\\Services\\Korvane";
// Every value is read into a buffer of this size; longer data counts as missing.
constexpr std::uint32_t kReadBufferBytes = 64;

constexpr std::int32_t kDefaultPollTimeMs = 10;

constexpr const char* kDisableValue = "Disable";
constexpr std::size_t kDisableDataLength = 1;

struct TextValue {
  const char* name;
  std::string PortSettings::*field;
  const char* defaultText;
  std::size_t dataLength;
};

// In the order in which the values are written and read; Disable follows.
constexpr TextValue kTextValues[] = {
    {"DataBit1", &PortSettings::dataBit1, "8", 2},
    {"DataBit2", &PortSettings::dataBit2, "8", 2},
    {"StopBit1", &PortSettings::stopBit1, "1", 2},
    {"StopBit2", &PortSettings::stopBit2, "1", 2},
    {"Parity1", &PortSettings::parity1, "NONE", 22},
    {"Parity2", &PortSettings::parity2, "NONE", 22},
    {"Port1", &PortSettings::port1, "COM3", kStoredPortNameBytes},
    {"Port2", &PortSettings::port2, "COM4", kStoredPortNameBytes},
    {"BaudRate1", &PortSettings::baudRate1, "115200", 12},
    {"BaudRate2", &PortSettings::baudRate2, "115200", 12},
    {"POLLTIME", &PortSettings::pollTime, "10", 4},
    {"MEMSIZE", &PortSettings::memSize, "2", 2},
};

bool isPollTime(const TextValue& value) { return value.field == &PortSettings::pollTime; }
bool isMemSize(const TextValue& value) { return value.field == &PortSettings::memSize; }

// A stored size outside the sizes the buffer may have loads as the default,
// so no buffer is ever sized from a bad stored value.
bool memSizeAllowed(std::int32_t memSizeMB) {
  return memSizeMB >= kSmallestMemSizeMB && memSizeMB <= kLargestMemSizeMB;
}

// The value's text, or nothing when it is missing, longer than the read
// buffer or cannot be read.
std::optional<std::string> queryText(RegistryKey key, const char* name) {
  std::uint8_t buffer[kReadBufferBytes];
  std::uint32_t length = kReadBufferBytes;
  if (platform::registryBackend().queryValue(key, name, buffer, &length) != RegistryStatus::Ok ||
      length > kReadBufferBytes) {
    return std::nullopt;
  }
  return textOfData(buffer, length);
}

// Port B is disabled only by a present value whose first character is "1".
std::int32_t disableOf(const std::optional<std::string>& text) {
  return text && !text->empty() && text->front() == '1' ? 1 : 0;
}

// A settings file that cannot be used is told once, in a box of its own
// (the window may not exist yet) and as a diagnostic line; the defaults then
// stand for this run and the file is left as it is.
void tellStoreFault() {
  const std::string fault = platform::registryBackend().takeStoreFault();
  if (fault.empty()) return;
  const std::string detail =
      "The monitor runs on the default settings this time and leaves the file as it is; saving "
      "the settings is refused until the file is mended or moved away.";
  platform::writeDiagnosticLine(fault + " " + detail);
  ShowMessageBox(platform::kNoWindow, fault, loadSystemString(AFX_IDS_APP_TITLE),
                 MB_OK | MB_ICONEXCLAMATION, detail);
}

// Loading only reads, so a user who may not change the key still gets its
// settings rather than the defaults.
std::optional<RegistryKey> openSettingsKey() {
  tellStoreFault();
  RegistryKey key = platform::kNoRegistryKey;
  if (platform::registryBackend().openKeyForReading(kSettingsRoot, kSettingsKeyPath, &key) !=
      RegistryStatus::Ok) {
    return std::nullopt;
  }
  return key;
}

// Why a save failed, for the details of its message.
std::string saveFailureDetail(RegistryStatus status) {
  const std::string key =
      std::string(platform::registryRootName(kSettingsRoot)) + "\\" + kSettingsKeyPath;
  if (status == RegistryStatus::AccessDenied) {
    const std::string reason = platform::registryBackend().refusedChangeReason();
    if (!reason.empty()) return reason;
    return "This user may not change the settings key " + key +
           ": saving the settings needs administrator rights. Start the monitor as "
           "administrator, then save again.";
  }
  return "The settings key " + key + " could not be written.";
}

template <std::size_t N>
std::int32_t encodedPart(const std::array<LineSettingEntry, N>& table, const std::string& text,
                         int shift) {
  return lineSettingIndex(table, text) << shift;
}

}  // namespace

void CSetupDlg::applyDefaultSettings() {
  for (const TextValue& value : kTextValues) m_settings.*value.field = value.defaultText;
  m_settings.disable = 0;
  monitorState.memSizeMB = kDefaultMemSizeMB;
  monitorState.pollTimeMs = kDefaultPollTimeMs;
  monitorState.portBDisabled = 0;
}

void CSetupDlg::loadSettings() {
  const auto key = openSettingsKey();
  if (!key) {
    applyDefaultSettings();
    encodeLineSettings();
    return;
  }
  for (const TextValue& value : kTextValues) {
    std::string& text = m_settings.*value.field;
    text = queryText(*key, value.name).value_or(value.defaultText);
    if (isPollTime(value)) monitorState.pollTimeMs = numberOfText(text);
    if (isMemSize(value)) {
      if (!memSizeAllowed(numberOfText(text))) text = value.defaultText;
      monitorState.memSizeMB = numberOfText(text);
    }
  }
  m_settings.disable = disableOf(queryText(*key, kDisableValue));
  monitorState.portBDisabled = m_settings.disable;
  platform::registryBackend().closeKey(*key);
  encodeLineSettings();
}

void CSetupDlg::saveSettings() {
  UpdateData(TRUE);  // its result does not stop the save
  platform::RegistryBackend& registry = platform::registryBackend();
  RegistryKey key = platform::kNoRegistryKey;
  // The first failure, the one the message explains.
  RegistryStatus failure = registry.createKey(kSettingsRoot, kSettingsKeyPath, &key);
  const bool keyOpen = failure == RegistryStatus::Ok;
  auto store = [&](const char* name, const std::string& text, std::size_t dataLength) {
    if (!keyOpen) return;
    const auto data = storedForm(text, dataLength);
    const RegistryStatus status =
        registry.setStringValue(key, name, data.data(), static_cast<std::uint32_t>(data.size()));
    if (failure == RegistryStatus::Ok) failure = status;
  };
  for (const TextValue& value : kTextValues) {
    const std::string& text = m_settings.*value.field;
    store(value.name, text, value.dataLength);
    if (isPollTime(value)) monitorState.pollTimeMs = numberOfText(text);
    if (isMemSize(value)) monitorState.memSizeMB = numberOfText(text);
  }
  // Disable is stored from the process-wide switch, which the dialog's
  // check box keeps equal to the record.
  store(kDisableValue, std::to_string(monitorState.portBDisabled), kDisableDataLength);
  if (keyOpen) registry.closeKey(key);
  encodeLineSettings();
  if (failure != RegistryStatus::Ok) {
    const std::string detail = saveFailureDetail(failure);
    platform::writeDiagnosticLine("Can not Save Setup: " + detail);
    ShowMessageBox(GetSafeHwnd(), "Can not Save Setup", "Error", MB_OK, detail);
  }
}

void CSetupDlg::encodeLineSettings() {
  const std::string* baud[2] = {&m_settings.baudRate1, &m_settings.baudRate2};
  const std::string* dataBits[2] = {&m_settings.dataBit1, &m_settings.dataBit2};
  const std::string* stopBits[2] = {&m_settings.stopBit1, &m_settings.stopBit2};
  const std::string* parity[2] = {&m_settings.parity1, &m_settings.parity2};
  for (int port = 0; port < 2; ++port) {
    monitorState.baudPart[port] =
        encodedPart(BaudRateTable, *baud[port], LineSettingsField::kBaudShift);
    monitorState.typedBaudRate[port] =
        lineSettingIndex(BaudRateTable, *baud[port]) == kTypedBaudIndex
            ? typedBaudRate(*baud[port]).value_or(0)
            : 0;
    monitorState.dataBitsPart[port] =
        encodedPart(DataBitsTable, *dataBits[port], LineSettingsField::kDataBitsShift);
    monitorState.stopBitsPart[port] =
        encodedPart(StopBitsTable, *stopBits[port], LineSettingsField::kStopBitsShift);
    monitorState.parityPart[port] =
        encodedPart(ParityTable, *parity[port], LineSettingsField::kParityShift);
  }
}

void CSetupDlg::loadCaptureSettings() {
  if (const auto key = openSettingsKey()) {
    monitorState.pollTimeMs = numberOfText(queryText(*key, "POLLTIME").value_or("10"));
    std::int32_t memSizeMB = numberOfText(queryText(*key, "MEMSIZE").value_or("2"));
    if (!memSizeAllowed(memSizeMB)) memSizeMB = kDefaultMemSizeMB;
    monitorState.memSizeMB = memSizeMB;
    monitorState.memSizeMBLoaded = memSizeMB;
    monitorState.portBDisabled = disableOf(queryText(*key, kDisableValue));
    platform::registryBackend().closeKey(*key);
  } else {
    monitorState.memSizeMB = kDefaultMemSizeMB;
    monitorState.memSizeMBLoaded = kDefaultMemSizeMB;
    monitorState.portBDisabled = 0;
    monitorState.pollTimeMs = kDefaultPollTimeMs;
  }
  allocateCaptureStore();
}
