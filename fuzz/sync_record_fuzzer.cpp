// Reads the input as the sync record file, splits the record as the main screen does, and writes
// it back: reading the written file gives the same record again.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/sync_record.h"

namespace {

struct RecordFile {
    std::string hostPath;
    std::u16string devicePath;
};

RecordFile MakeRecordFile() {
    // TMPDIR chooses where: scripts/fuzz.sh points it at memory, since every run writes a file.
    std::string folder = (std::filesystem::temp_directory_path() / "fuzz_record_XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) {
        std::abort();
    }
    RecordFile file;
    file.hostPath = folder + "/brevantaclient.txt";
    for (char c : file.hostPath) {
        file.devicePath += c == '/' ? u'\\' : static_cast<char16_t>(c);
    }
    return file;
}

const RecordFile& GetRecordFile() {
    static const RecordFile file = MakeRecordFile();
    return file;
}

void WriteHostFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const RecordFile& file = GetRecordFile();
    WriteHostFile(file.hostPath, data, size);

    CString record;
    if (!ReadSyncRecordFile(file.devicePath.c_str(), &record)) {
        std::abort();
    }
    // The text ends at the first zero byte, and no byte becomes more than one UTF-16 unit.
    const std::size_t textBytes = strnlen(reinterpret_cast<const char*>(data), size);
    if (static_cast<std::size_t>(record.GetLength()) > textBytes) {
        std::abort();
    }
    bool ascii = true;
    for (std::size_t i = 0; i < textBytes; ++i) {
        ascii = ascii && data[i] < 0x80;
    }
    if (ascii) {
        for (std::size_t i = 0; i < textBytes; ++i) {
            if (record[static_cast<int>(i)] != data[i]) {
                std::abort();
            }
        }
    }

    const int comma = record.Find(TEXT(','));
    if (RecordMeansProvisioned(record) != (comma >= 0)) {
        std::abort();
    }
    const RecordFields fields = SplitSyncRecord(record);
    if (comma < 0) {
        if (!fields.updated.IsEmpty() || !fields.size.IsEmpty()) {
            std::abort();
        }
    } else if (fields.updated.Find(TEXT(',')) >= 0 ||
               fields.updated + CString(TEXT(",")) + fields.size != record) {
        std::abort();
    }

    WriteSyncRecordFile(file.devicePath.c_str(), record);
    CString again;
    if (!ReadSyncRecordFile(file.devicePath.c_str(), &again) || again != record) {
        std::abort();
    }
    return 0;
}
