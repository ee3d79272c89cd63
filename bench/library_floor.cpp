// The library's floors: load a document and save it twice (backup and rewrite), nothing else.
//   bench_library_floor IN BACKUP OUT             each save with the library's own SaveFile
//   bench_library_floor --durable IN BACKUP OUT   each save to a temporary file beside its target,
//                                                 flushed to disk and renamed over it, and the
//                                                 rename flushed too
#include <fcntl.h>
#include <sys/stat.h>
#include <tinyxml.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The least a save must do to be durable and never leave a half-written target.
bool SaveDurably(const TiXmlDocument& doc, const std::string& target) {
    const size_t nSlash = target.rfind('/');
    const std::string folder = nSlash == std::string::npos ? "./" : target.substr(0, nSlash + 1);
    std::string temporary = folder + ".floor-XXXXXX";
    const int fd = mkstemp(&temporary[0]);
    if (fd < 0)
        return false;
    // The mode a new file would get, as the file being replaced most likely had.
    FILE* fp = fchmod(fd, 0644) == 0 ? fdopen(fd, "w") : nullptr;
    if (!fp) {
        close(fd);
        unlink(temporary.c_str());
        return false;
    }
    bool bOk = doc.SaveFile(fp) && std::fflush(fp) == 0 && fsync(fd) == 0;
    bOk = std::fclose(fp) == 0 && bOk && std::rename(temporary.c_str(), target.c_str()) == 0;
    if (!bOk) {
        unlink(temporary.c_str());
        return false;
    }
    const int folderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    bOk = folderFd >= 0 && fsync(folderFd) == 0;
    if (folderFd >= 0)
        close(folderFd);
    return bOk;
}

}  // namespace

int main(int argc, char* argv[]) {
    const bool bDurable = argc == 5 && std::strcmp(argv[1], "--durable") == 0;
    if (argc != 4 && !bDurable) {
        std::fprintf(stderr, "usage: bench_library_floor [--durable] IN BACKUP OUT\n");
        return 2;
    }
    char** files = argv + (bDurable ? 2 : 1);
    TiXmlDocument doc;
    if (!doc.LoadFile(files[0]))
        return 1;
    if (bDurable)
        return SaveDurably(doc, files[1]) && SaveDurably(doc, files[2]) ? 0 : 1;
    return doc.SaveFile(files[1]) && doc.SaveFile(files[2]) ? 0 : 1;
}
