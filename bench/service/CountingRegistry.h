#pragma once

#include "platform/Registry.h"

namespace bench
{

// Passes every operation on to the real registry and counts reads and writes (deletions count as writes).
class CountingRegistry final : public platform::IRegistry
{
  public:
    explicit CountingRegistry(platform::IRegistry& inner) : m_inner(inner) {}

    unsigned Reads() const { return m_reads; }
    unsigned Writes() const { return m_writes; }
    void ResetCounts() { m_reads = m_writes = 0; }

    platform::ReadResult ReadNumber(const wchar_t* path, const wchar_t* name, DWORD& value) override
    {
        ++m_reads;
        return m_inner.ReadNumber(path, name, value);
    }
    platform::ReadResult ReadText(const wchar_t* path, const wchar_t* name,
                                  platform::RegistryText& text) override
    {
        ++m_reads;
        return m_inner.ReadText(path, name, text);
    }
    bool ValueExists(const wchar_t* path, const wchar_t* name) override
    {
        ++m_reads;
        return m_inner.ValueExists(path, name);
    }
    bool WriteNumber(const wchar_t* path, const wchar_t* name, DWORD value) override
    {
        ++m_writes;
        return m_inner.WriteNumber(path, name, value);
    }
    void WriteText(const wchar_t* path, const wchar_t* name, const wchar_t* text) override
    {
        ++m_writes;
        m_inner.WriteText(path, name, text);
    }
    bool DeleteValue(const wchar_t* path, const wchar_t* name) override
    {
        ++m_writes;
        return m_inner.DeleteValue(path, name);
    }
    bool DeleteKeyTree(const wchar_t* path) override
    {
        ++m_writes;
        return m_inner.DeleteKeyTree(path);
    }

  private:
    platform::IRegistry& m_inner;
    unsigned m_reads = 0;
    unsigned m_writes = 0;
};

} // namespace bench
