// The tests' main function in the Windows build, in place of GoogleTest's own.
//
// GoogleTest on Windows starts a thread the first time a test thread reads one of its per-thread
// values (SCOPED_TRACE and every failure do): it waits for the test thread to end, to free them.
// Run on the main thread, that watcher is still waiting when the program ends, and wine, ending a
// process whose thread is blocked in a wait, now and then crashes in its own code (SIGSEGV in
// NtCurrentTeb) after every test has passed. So the tests run on a thread of their own: when it
// ends, the watcher frees its values and ends too, and the program ends alone.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

namespace {

int gArgc;
char** gArgv;
int gResult = 1;

DWORD WINAPI runTests(void*) {
  testing::InitGoogleTest(&gArgc, gArgv);
  gResult = RUN_ALL_TESTS();
  return 0;
}

// The threads of this process other than the calling one.
int otherThreads() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  const DWORD process = GetCurrentProcessId(), self = GetCurrentThreadId();
  int count = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == process && entry.th32ThreadID != self) ++count;
  CloseHandle(snapshot);
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  gArgc = argc;
  gArgv = argv;
  // The main thread's stack size: some tests recurse deeply (nested documents, long paths).
  HANDLE tests = CreateThread(nullptr, 8u << 20, runTests, nullptr, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (!tests) return 1;
  WaitForSingleObject(tests, INFINITE);
  CloseHandle(tests);
  // The watcher ends as soon as it has seen the test thread end; wait for it (a few seconds at most).
  for (int i = 0; i < 5000 && otherThreads() > 0; ++i) Sleep(1);
  return gResult;
}
