#include "framework/cstringarray.h"

int CStringArray::Add(const CString& str) {
    m_items.push_back(str);
    return GetSize() - 1;
}

void CStringArray::RemoveAt(int nIndex, int nCount) {
    auto first = m_items.begin() + nIndex;
    m_items.erase(first, first + nCount);
}
