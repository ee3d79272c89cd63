// The library's floor: load a document and save it twice (backup and rewrite), nothing else.
//   bench_library_floor IN BACKUP OUT
#include <tinyxml.h>

#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_library_floor IN BACKUP OUT\n");
        return 2;
    }
    TiXmlDocument doc;
    if (!doc.LoadFile(argv[1]))
        return 1;
    return doc.SaveFile(argv[2]) && doc.SaveFile(argv[3]) ? 0 : 1;
}
