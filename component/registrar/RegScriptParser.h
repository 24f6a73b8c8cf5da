#pragma once

#include <windows.h>

#include <memory>

class CRegObject;
class ScriptToken;

// Applies one registration script to the registry, in register or unregister mode; one parser per run.
class CRegScriptParser
{
  public:
    explicit CRegScriptParser(const CRegObject& registrar) : m_registrar(registrar) {}

    HRESULT RunScript(LPCWSTR text, bool doRegister);

    // Registry error codes. DeleteKeyTree removes parent\name with all its subkeys.
    static LSTATUS DeleteKeyTree(HKEY parent, LPCWSTR name);
    static LSTATUS DeleteOneKey(HKEY parent, LPCWSTR name);

  private:
    HRESULT PreprocessScript(LPCWSTR script, std::unique_ptr<wchar_t[]>& result) const;

    void SkipWhitespace();
    HRESULT NextToken(ScriptToken& token);

    HRESULT ProcessRootBlock(ScriptToken& token, bool doRegister);
    HRESULT ProcessKeyList(HKEY parent, bool doRegister, bool recovery, unsigned depth);
    HRESULT RegisterEntry(HKEY parent, ScriptToken& token, unsigned depth);
    HRESULT RegisterKey(HKEY parent, ScriptToken& token, unsigned depth);
    HRESULT UnregisterEntry(HKEY parent, ScriptToken& token, bool recovery, unsigned depth);
    HRESULT UnregisterKey(HKEY parent, ScriptToken& token, bool recovery, bool noRemove, unsigned depth);
    HRESULT UnregisterValue(HKEY parent, ScriptToken& token, bool keepValue);
    HRESULT ReadValueName(ScriptToken& name, ScriptToken& token);
    HRESULT SkipAssignment(ScriptToken& token);
    HRESULT SetValueFromScript(HKEY key, LPCWSTR valueName, ScriptToken& token);

    const CRegObject& m_registrar;
    LPCWSTR m_cursor = nullptr;
};
