// Writes seeded MeInit documents of a realistic shape, with matching input files, for the
// benchmark. Every run with the same arguments writes the same bytes.
//   bench_generate meinit DIR MEGABYTES   MeInit.xml and Filename1..3.xml of about that size
//   bench_generate weapons DIR LAUNCHERS ENTRIES [CATEGORIES]
//                                         a registry of LAUNCHERS launchers in CATEGORIES
//                                         categories (1 unless given), and a /weapons file
//                                         replacing ENTRIES of them
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

std::mt19937_64 g_random(20261209);

int Between(int low, int high) {
    return low + static_cast<int>(g_random() % static_cast<unsigned>(high - low + 1));
}

std::string Guid() {
    static const char kHex[] = "0123456789ABCDEF";
    std::string guid = "{";
    for (int group : {8, 4, 4, 4, 12}) {
        for (int i = 0; i < group; ++i)
            guid += kHex[g_random() % 16];
        guid += '-';
    }
    guid.back() = '}';
    return guid;
}

// The same CLSID written with its letters in a mix of cases, as hand-made files have them.
std::string MixedCase(std::string guid) {
    for (char& c : guid) {
        if (c >= 'A' && c <= 'F' && g_random() % 2)
            c = static_cast<char>(c - 'A' + 'a');
    }
    return guid;
}

struct Category {
    std::string clsid;
    std::vector<std::string> launchers;
};

class CWriter {
public:
    explicit CWriter(const std::string& path) : m_file(std::fopen(path.c_str(), "wb")) {
        if (!m_file) {
            std::perror(path.c_str());
            std::exit(1);
        }
    }
    ~CWriter() {
        if (std::fclose(m_file) != 0)
            std::exit(1);
    }
    void Line(int indent, const std::string& text) {
        m_text.assign(static_cast<size_t>(indent), '\t');
        m_text += text;
        m_text += '\n';
        std::fwrite(m_text.data(), 1, m_text.size(), m_file);
        m_nWritten += m_text.size();
    }
    size_t Written() const { return m_nWritten; }

private:
    std::FILE* m_file;
    std::string m_text;
    size_t m_nWritten = 0;
};

void Launcher(CWriter& out, int indent, const std::string& clsid, int n, const char* pszKind) {
    out.Line(indent, "<Launcher CLSID=\"" + clsid + "\" Name=\"" + pszKind + " " +
                         std::to_string(n) + "\" Weight=\"" + std::to_string(Between(50, 2500)) +
                         "\" Picture=\"w" + std::to_string(n) + ".png\">");
    out.Line(indent + 1, "<Stores Count=\"" + std::to_string(Between(1, 19)) + "\" Item=\"Store " +
                             std::to_string(Between(1, 900)) + "\" Drag=\"0." +
                             std::to_string(Between(10, 99)) + "\" />");
    out.Line(indent, "</Launcher>");
}

void Plane(CWriter& out, const std::string& name, const std::vector<Category>& weapons) {
    auto anyLauncher = [&] {
        const Category& category = weapons[g_random() % weapons.size()];
        return category.launchers[g_random() % category.launchers.size()];
    };
    out.Line(3, "<Plane Name=\"" + name + "\" Type=\"Attack\" MaxTakeOffWeight=\"" +
                    std::to_string(Between(9000, 30000)) + "\">");
    out.Line(4, "<Pylons Count=\"8\">");
    for (int pylon = 1; pylon <= 8; ++pylon) {
        out.Line(5, "<Pylon Number=\"" + std::to_string(pylon) + "\" Type=\"Wing\" X=\"0." +
                        std::to_string(Between(10, 99)) + "\" Z=\"-" + std::to_string(pylon) +
                        ".5\">");
        for (int i = 0; i < 3; ++i)
            out.Line(6, "<Launcher CLSID=\"" + anyLauncher() + "\" />");
        out.Line(5, "</Pylon>");
    }
    out.Line(4, "</Pylons>");
    out.Line(4, "<Payloads>");
    for (int id = 1; id <= 10; ++id) {
        out.Line(5, "<Payload ID=\"" + std::to_string(id) + "\" Name=\"Loadout " +
                        std::to_string(id) + "\">");
        for (int station = 1; station <= 6; ++station)
            out.Line(6, "<Station Num=\"" + std::to_string(station) + "\" CLSID=\"" +
                            anyLauncher() + "\" />");
        out.Line(5, "</Payload>");
    }
    out.Line(4, "</Payloads>");
    out.Line(4, "<Tasks>");
    for (int task = 0; task < 6; ++task) {
        out.Line(5, "<Task WorldID=\"" + std::to_string(30 + task) + "\" Name=\"Task " +
                        std::to_string(task) + "\">");
        for (int i = 0; i < 4; ++i)
            out.Line(6, "<PayloadRef ID=\"" + std::to_string(Between(1, 10)) + "\" />");
        out.Line(5, "</Task>");
    }
    out.Line(4, "</Tasks>");
    out.Line(3, "</Plane>");
}

// A registry of `categories` categories holding `launchers` launchers in all.
std::vector<Category> MakeWeapons(int categories, int launchers) {
    std::vector<Category> weapons(static_cast<size_t>(categories));
    for (Category& category : weapons)
        category.clsid = Guid();
    for (int i = 0; i < launchers; ++i)
        weapons[static_cast<size_t>(i % categories)].launchers.push_back(Guid());
    return weapons;
}

void Registry(CWriter& out, const std::vector<Category>& weapons) {
    out.Line(1, "<Weapons>");
    int n = 0;
    for (const Category& category : weapons) {
        out.Line(2, "<Category CLSID=\"" + category.clsid + "\" Name=\"Category " +
                        std::to_string(++n) + "\">");
        for (const std::string& clsid : category.launchers)
            Launcher(out, 3, clsid, ++n, "Launcher");
        out.Line(2, "</Category>");
    }
    out.Line(1, "</Weapons>");
}

// The /weapons file: `entries` launchers spread over the registry, written in mixed case.
void WeaponsFile(const std::string& dir, const std::vector<Category>& weapons, int entries) {
    CWriter out(dir + "/Filename3.xml");
    out.Line(0, "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>");
    out.Line(0, "<Weapons>");
    int nPerCategory =
        (entries + static_cast<int>(weapons.size()) - 1) / static_cast<int>(weapons.size());
    int nWritten = 0;
    for (const Category& category : weapons) {
        if (nWritten >= entries)
            break;
        out.Line(1, "<Category CLSID=\"" + MixedCase(category.clsid) + "\">");
        size_t step =
            std::max<size_t>(1, category.launchers.size() / static_cast<size_t>(nPerCategory));
        for (size_t i = 0; i < category.launchers.size() && nWritten < entries;
             i += step, ++nWritten)
            Launcher(out, 2, MixedCase(category.launchers[i]), 900000 + nWritten, "Replacement");
        out.Line(1, "</Category>");
    }
    out.Line(0, "</Weapons>");
}

void InputFiles(const std::string& dir, const std::vector<Category>& weapons) {
    {
        CWriter out(dir + "/Filename1.xml");
        out.Line(0, "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>");
        out.Line(0, "<Pylons Count=\"11\">");
        for (int pylon = 1; pylon <= 11; ++pylon) {
            out.Line(1, "<Pylon Number=\"" + std::to_string(pylon) + "\" Type=\"Wing\">");
            for (int i = 0; i < 4; ++i)
                out.Line(2,
                         "<Launcher CLSID=\"" +
                             weapons[static_cast<size_t>(i)].launchers[static_cast<size_t>(pylon)] +
                             "\" />");
            out.Line(1, "</Pylon>");
        }
        out.Line(0, "</Pylons>");
    }
    {
        CWriter out(dir + "/Filename2.xml");
        out.Line(0, "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>");
        out.Line(0, "<Payloads>");
        for (int id = 1; id <= 20; ++id) {
            out.Line(1, "<Payload ID=\"" + std::to_string(id) + "\" Name=\"New loadout " +
                            std::to_string(id) + "\">");
            for (int station = 1; station <= 6; ++station)
                out.Line(
                    2,
                    "<Station Num=\"" + std::to_string(station) + "\" CLSID=\"" +
                        weapons[static_cast<size_t>(station)].launchers[static_cast<size_t>(id)] +
                        "\" />");
            out.Line(1, "</Payload>");
        }
        out.Line(0, "</Payloads>");
        out.Line(0, "<Tasks>");
        for (int task = 0; task < 10; ++task) {
            // Half match a task of the aircraft, half are new.
            out.Line(1, "<Task WorldID=\"" + std::to_string(task % 2 ? 30 + task / 2 : 60 + task) +
                            "\" Name=\"Merged " + std::to_string(task) + "\">");
            out.Line(2, "<PayloadRef ID=\"" + std::to_string(11 + task) + "\" />");
            out.Line(1, "</Task>");
        }
        out.Line(0, "</Tasks>");
    }
}

int MeInit(const std::string& dir, double megabytes) {
    const size_t nTarget = static_cast<size_t>(megabytes * 1024 * 1024);
    // About a third planes, two thirds registry: a launcher writes about 232 bytes, a plane
    // about 6.5 KB.
    int nLaunchers = std::max(400, static_cast<int>(nTarget * 2 / 3 / 232));
    int nPlanes = std::max(4, static_cast<int>(nTarget / 3 / 6650));
    std::vector<Category> weapons = MakeWeapons(48, nLaunchers);
    CWriter out(dir + "/MeInit.xml");
    out.Line(0, "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>");
    out.Line(0, "<LockOn_Registry Version=\"3\">");
    out.Line(1, "<!-- generated for the benchmark -->");
    out.Line(1, "<Units>");
    out.Line(2, "<Planes>");
    for (int i = 0; i < nPlanes; ++i)
        Plane(out, i == nPlanes / 2 ? "A-10A" : "P-" + std::to_string(i), weapons);
    out.Line(2, "</Planes>");
    out.Line(1, "</Units>");
    Registry(out, weapons);
    out.Line(0, "</LockOn_Registry>");
    InputFiles(dir, weapons);
    WeaponsFile(dir, weapons, 200);
    return 0;
}

int WeaponsOnly(const std::string& dir, int nLaunchers, int nEntries, int nCategories) {
    std::vector<Category> weapons = MakeWeapons(nCategories, nLaunchers);
    {
        CWriter out(dir + "/MeInit.xml");
        out.Line(0, "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>");
        out.Line(0, "<LockOn_Registry Version=\"3\">");
        out.Line(1, "<Units>");
        out.Line(2, "<Planes>");
        Plane(out, "A-10A", weapons);
        out.Line(2, "</Planes>");
        out.Line(1, "</Units>");
        Registry(out, weapons);
        out.Line(0, "</LockOn_Registry>");
    }
    WeaponsFile(dir, weapons, nEntries);
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "meinit" && argc == 4)
        return MeInit(argv[2], std::atof(argv[3]));
    if (mode == "weapons" && (argc == 5 || argc == 6))
        return WeaponsOnly(argv[2], std::atoi(argv[3]), std::atoi(argv[4]),
                           argc == 6 ? std::max(1, std::atoi(argv[5])) : 1);
    std::fprintf(stderr,
                 "usage: bench_generate meinit DIR MEGABYTES\n"
                 "       bench_generate weapons DIR LAUNCHERS ENTRIES [CATEGORIES]\n");
    return 2;
}
