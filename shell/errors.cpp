#include "shell/errors.h"

#include <cstring>

#include "shell/plugin_suites.h"

namespace fl {

namespace {

struct ErrorDialogData {
  char message[256];
  char code[16];
};

void passToHost(HostItem item, HostNotifier notifier) { sAdmItem->defaultNotify(item, notifier); }

HostErr initErrorDialog(HostDialog dialog) {
  sAdmItem->setNotifyProc(sAdmDialog->getItem(dialog, 1), passToHost);
  auto* data = static_cast<ErrorDialogData*>(sAdmDialog->getUserData(dialog));
  sAdmItem->setText(sAdmDialog->getItem(dialog, 2), data->message);
  sAdmItem->setText(sAdmDialog->getItem(dialog, 3), data->code);
  return 0;
}

HostErr initAboutBox(HostDialog dialog) {
  sAdmItem->setNotifyProc(sAdmDialog->getItem(dialog, 1), passToHost);
  return 0;
}

// The code an entry of the error list stands for: a number, or four characters.
HostErr entryCode(char* text) {
  bool numeric = text[0] == '-' || (text[0] >= '0' && text[0] <= '9');
  toLengthPrefixed(text);
  if (numeric) {
    HostReal value = 0;
    sUser->textToReal(reinterpret_cast<const unsigned char*>(text), &value);
    return static_cast<int32_t>(static_cast<int16_t>(static_cast<int32_t>(value)));
  }
  const auto* p = reinterpret_cast<const unsigned char*>(text) + 1;
  return HOST_FOURCC(p[0], p[1], p[2], p[3]);
}

}  // namespace

char* toLengthPrefixed(char* buffer) {
  size_t n = std::strlen(buffer);
  if (n >= 256) return nullptr;
  std::memmove(buffer + 1, buffer, n);
  buffer[0] = static_cast<char>(static_cast<unsigned char>(n));
  return buffer;
}

char* toCString(char* buffer) {
  size_t n = static_cast<unsigned char>(buffer[0]);
  std::memmove(buffer, buffer + 1, n);
  buffer[n] = 0;
  return buffer;
}

void reportError(HostMessage* message, HostErr code) {
  // The dialog needs the item suite for its texts and the user suite for the code: a call whose
  // acquisition stopped before them cannot show it.
  if (code == 0 || code == kUserCancelled || !sAdmBasic || !sAdmDialog || !sAdmItem || !sUser) return;
  int32_t i = 1;
  bool found = false;
  for (;; i += 2) {
    char text[257] = {};
    sAdmBasic->getIndexString(message->plugin, kErrorStringList, i, text, 256);
    if (text[0] == 0) break;
    if (entryCode(text) == code) {
      found = true;
      break;
    }
  }
  ErrorDialogData data = {};
  int32_t messageIndex = found ? i + 1 : i - 1;
  if (sAdmBasic->getIndexString(message->plugin, kErrorStringList, messageIndex, data.message, sizeof data.message) !=
      0)
    return;
  if (code >= -65536 && code <= 65535) {
    // Room for the length-prefixed text of any number and its terminator after conversion.
    char number[257] = {};
    sUser->realToText(static_cast<HostReal>(code), 0, reinterpret_cast<unsigned char*>(number));
    toCString(number);
    size_t n = std::strlen(number);
    if (n >= sizeof data.code) n = sizeof data.code - 1;
    std::memcpy(data.code, number, n);
  } else {
    auto u = static_cast<uint32_t>(code);
    data.code[0] = static_cast<char>(u >> 24);
    data.code[1] = static_cast<char>(u >> 16);
    data.code[2] = static_cast<char>(u >> 8);
    data.code[3] = static_cast<char>(u);
  }
  int32_t ended = 0;
  sAdmDialog->modal(message->plugin, "Error Dialog", kErrorDialogId, 0, initErrorDialog, &data, &ended);
}

void showAboutBox(HostMessage* message) {
  int32_t ended = 0;
  sAdmDialog->modal(message->plugin, "About Dialog", kAboutDialogId, 0, initAboutBox, nullptr, &ended);
}

}  // namespace fl
