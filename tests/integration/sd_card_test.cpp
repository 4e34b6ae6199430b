// The Tetherhub's SD card through the shipped library: a host lists the card,
// downloads a large file whole, and deletes it.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "hub_fixture.h"
#include "ptp_sdcard.h"

namespace {

class SdCardHub : public HubTest {};

TEST_F(SdCardHub, ListDownloadAndDelete) {
    const std::string dir = SimHub_SdCardDir(hub);
    std::vector<uint8_t> file(5u << 20);
    for (size_t i = 0; i < file.size(); ++i)
        file[i] = uint8_t(i * 2654435761u >> 13);
    {
        std::ofstream out(dir + "/MVI_0007.MOV", std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    }

    uint8_t* list = nullptr;
    uint32_t listLength = 0;
    ASSERT_EQ(Comms_SD_GetAllFilenames(&list, &listLength), PtpResult_Ok);
    std::string names(reinterpret_cast<const char*>(list), listLength);
    FreeMemory(list);
    EXPECT_NE(names.find(std::string("MVI_0007.MOV\0", 13)), std::string::npos);

    SimHub_ResetStats(hub);
    uint8_t* data = nullptr;
    uint32_t length = 0;
    ASSERT_EQ(Comms_SD_GetFile("MVI_0007.MOV", &data, &length, 0, nullptr), PtpResult_Ok);
    ASSERT_EQ(length, file.size());
    EXPECT_TRUE(std::vector<uint8_t>(data, data + length) == file);
    FreeMemory(data);
    EXPECT_EQ(SimHub_Stats(hub).control_requests[248], 3u);

    // 199 characters go out; 200 are refused before anything is sent.
    SimHub_ResetStats(hub);
    EXPECT_EQ(Comms_SD_DeleteFile(std::string(200, 'x').c_str()), PtpResult_InvalidArgument);
    EXPECT_EQ(SimHub_Stats(hub).control_requests[252], 0u);
    EXPECT_EQ(Comms_SD_DeleteFile(std::string(199, 'x').c_str()), 0x2009); // no such file
    EXPECT_EQ(SimHub_Stats(hub).control_requests[252], 1u);

    ASSERT_EQ(Comms_SD_DeleteFile("MVI_0007.MOV"), PtpResult_Ok);
    uint8_t present = 1;
    ASSERT_EQ(Comms_SD_DoesFileExist("MVI_0007.MOV", &present), PtpResult_Ok);
    EXPECT_EQ(present, 0);
}

} // namespace
