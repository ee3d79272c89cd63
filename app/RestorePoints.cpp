#include "app/RestorePoints.h"

#include "framework/folder.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <sstream>

namespace armwright {
namespace {

const char kRootName[] = "Armwright restore points";
const char kPathFile[] = "MeInit path.txt";
const char kKnownFile[] = "known.txt";
const char kOriginalSuffix[] = " original.xml";
const size_t kPointsKept = 10;
const size_t kEntriesKept = 1000;

std::string HashText(const FileStamp& content) {
    char szText[64];
    std::snprintf(szText, sizeof szText, "%016" PRIx64 "%016" PRIx64 "-%" PRIu64,
                  content.anContent[1], content.anContent[0], content.nSize);
    return szText;
}

bool EndsWith(const std::string& text, const char* pszEnd) {
    const size_t n = std::char_traits<char>::length(pszEnd);
    return text.size() >= n && text.compare(text.size() - n, n, pszEnd) == 0;
}

// Writes a small text file whole.
bool WriteText(const CString& strPath, const std::string& text) {
    return SaveFileSafely(strPath, [&text](CWriter& sink) {
               return sink.Write(text.data(), text.size());
           }) == SaveResult::Saved;
}

// A name that sorts by the time it was taken: UTC, with no colon.
std::string TimeName() {
    const std::time_t now = std::time(nullptr);
    char szName[32];
    std::strftime(szName, sizeof szName, "%Y%m%d-%H%M%SZ", std::gmtime(&now));
    return szName;
}

}  // namespace

CRestorePoints::CRestorePoints(const CString& strAppFolder, const CString& strMeInitPath)
    : m_strMeInitPath(strMeInitPath) {
    // Named so that a modder knows it at a glance, and kept apart from another MeInit's by a
    // hash of the path, whose letters Windows does not tell apart by case.
    CString strKey(strMeInitPath);
    strKey.MakeLower();
    uint64_t nHash = 14695981039346656037ull;
    for (const char* p = strKey.GetString(); *p; ++p)
        nHash = (nHash ^ static_cast<unsigned char>(*p)) * 1099511628211ull;
    CString strName = strMeInitPath.Mid(strMeInitPath.ReverseFind('\\') + 1);
    const int nDot = strName.ReverseFind('.');
    if (nDot > 0)
        strName = strName.Left(nDot);
    char szHash[24];
    std::snprintf(szHash, sizeof szHash, "-%016" PRIx64 "\\", nHash);
    m_strRoot = strAppFolder + CString(kRootName);
    m_strFolder = m_strRoot + CString("\\") + strName + CString(szHash);
}

std::vector<CRestorePoints::Entry> CRestorePoints::ReadEntries() const {
    std::vector<Entry> entries;
    std::vector<char> data;
    if (ReadWholeFile(m_strFolder + CString(kKnownFile), data, 0) != ReadResult::Read)
        return entries;
    std::istringstream lines(std::string(data.begin(), data.end()));
    for (Entry entry; lines >> entry.strHash >> entry.strKind;)
        entries.push_back(entry);
    return entries;
}

bool CRestorePoints::Knows(const FileStamp& content) const {
    const std::string strHash = HashText(content);
    const std::vector<Entry> entries = ReadEntries();
    return std::any_of(entries.begin(), entries.end(),
                       [&strHash](const Entry& entry) { return entry.strHash == strHash; });
}

bool CRestorePoints::Add(const FileStamp& content, const char* pszKind) {
    std::vector<Entry> entries = ReadEntries();
    entries.push_back({HashText(content), pszKind});
    if (entries.size() > kEntriesKept)
        entries.erase(entries.begin(), entries.end() - kEntriesKept);
    std::string text;
    for (const Entry& entry : entries)
        text += entry.strHash + " " + entry.strKind + "\n";
    return WriteText(m_strFolder + CString(kKnownFile), text);
}

CString CRestorePoints::FolderPath() const {
    return m_strFolder.Left(m_strFolder.GetLength() - 1);
}

bool CRestorePoints::Record(const FileStamp& written) {
    return MakeFolder(m_strRoot) && MakeFolder(FolderPath()) && Add(written, "written");
}

bool CRestorePoints::Keep(const FileStamp& loaded, bool bOriginal) {
    if (!MakeFolder(m_strRoot) || !MakeFolder(FolderPath()))
        return false;
    std::vector<char> path;
    if (ReadWholeFile(m_strFolder + CString(kPathFile), path, 0) != ReadResult::Read &&
        !WriteText(m_strFolder + CString(kPathFile),
                   std::string(m_strMeInitPath.GetString()) + "\n"))
        return false;
    const std::vector<Entry> entries = ReadEntries();
    const std::string strHash = HashText(loaded);
    // An original already kept is not kept twice.
    bOriginal = bOriginal && std::none_of(entries.begin(), entries.end(), [&](const Entry& entry) {
                    return entry.strKind == "original" && entry.strHash == strHash;
                });
    const auto latest = std::find_if(entries.rbegin(), entries.rend(),
                                     [](const Entry& entry) { return entry.strKind != "written"; });
    if (!bOriginal && latest != entries.rend() && latest->strHash == strHash)
        return true;
    std::string strName = TimeName();
    std::vector<std::string> names = FilesIn(FolderPath());
    for (int n = 2; std::any_of(names.begin(), names.end(),
                                [&strName](const std::string& name) {
                                    return name.compare(0, strName.size(), strName) == 0;
                                });
         ++n)
        strName = TimeName() + "-" + std::to_string(n);
    strName += bOriginal ? kOriginalSuffix : ".xml";
    if (KeepCopy(m_strMeInitPath, m_strFolder + CString(strName.c_str()), loaded, &loaded) !=
            SaveResult::Saved ||
        !Add(loaded, bOriginal ? "original" : "point"))
        return false;
    // Originals stay whatever their number.
    names = FilesIn(FolderPath());
    names.erase(std::remove_if(names.begin(), names.end(),
                               [](const std::string& name) {
                                   return !EndsWith(name, ".xml") ||
                                          EndsWith(name, kOriginalSuffix);
                               }),
                names.end());
    std::sort(names.begin(), names.end());
    for (size_t i = 0; i + kPointsKept < names.size(); ++i)
        RemoveFile(m_strFolder + CString(names[i].c_str()));
    return true;
}

CString CRestorePoints::Original() const {
    std::vector<std::string> names = FilesIn(FolderPath());
    std::string strLatest;
    for (const std::string& name : names) {
        if (EndsWith(name, kOriginalSuffix) && name > strLatest)
            strLatest = name;
    }
    return strLatest.empty() ? CString() : m_strFolder + CString(strLatest.c_str());
}

}  // namespace armwright
