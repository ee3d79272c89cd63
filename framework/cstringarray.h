// CStringArray: an ordered array of CString.
#pragma once

#include <vector>

#include "framework/cstring.h"

class CStringArray {
public:
    int GetSize() const { return static_cast<int>(m_items.size()); }
    bool IsEmpty() const { return m_items.empty(); }
    const CString& GetAt(int nIndex) const { return m_items[static_cast<size_t>(nIndex)]; }
    const CString& operator[](int nIndex) const { return GetAt(nIndex); }
    // Appends and returns the new element's index.
    int Add(const CString& str) {
        m_items.push_back(str);
        return GetSize() - 1;
    }
    // Removes nCount elements from nIndex on, closing the gap.
    void RemoveAt(int nIndex, int nCount = 1) {
        m_items.erase(m_items.begin() + nIndex, m_items.begin() + nIndex + nCount);
    }

private:
    std::vector<CString> m_items;
};
