// Fuzzes what a second client does with the messages the Tetherhub passes on
// from the controlling client: the reader loop and its mailbox take the byte
// stream apart, and each message is read as a share prefix or as a shared
// result (ptpctl receive's parser).
//
// Input: the byte stream the hub sends. A reader loop runs on it while this
// thread takes every message from the mailbox until the loop ends at the end
// of the stream. Beyond the sanitizers the target checks that a prefix's
// record and a result's data lie inside their message and that a record name
// never names a path.
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>

#include "fuzz/hub_stream.h"
#include "tools/ptpctl/shared_message.h"

HUB_STREAM_ASAN_OPTIONS

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    HubStream hub;
    HubStream_Open(&hub, data, size);
    std::thread reader([] { ReadSocketLoop(); });
    for (uint8_t* m; (m = WaitForUnsolicitedMessage()) != nullptr;) {
        const uint32_t n = peek_u32(m, kRelayHeaderSize, 0);
        fuzz_check(n >= kRelayHeaderSize, "posted message shorter than its header");
        SharedPrefix p;
        const uint8_t* bytes = nullptr;
        size_t length = 0;
        if (SharedMessage_ParsePrefix(m, n, &p)) {
            fuzz_check(!p.record || (p.record >= m && p.record + p.recordLength <= m + n),
                       "record outside its message");
            fuzz_touch(p.record, p.recordLength);
            std::string name = SharedMessage_RecordName(p);
            fuzz_check(name.find('/') == std::string::npos &&
                           name.find('\\') == std::string::npos && name != ".." && name != ".",
                       "record name names a path");
        } else if (SharedMessage_ResultData(m, n, &bytes, &length)) {
            fuzz_check(bytes >= m && bytes + length == m + n, "result data outside its message");
            fuzz_touch(bytes, uint32_t(length));
        }
        FreeMemory(m);
    }
    reader.join();
    HubStream_Close(&hub);
    return 0;
}
