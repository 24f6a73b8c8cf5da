#pragma once

#include <windows.h>

#include "component/registrar/RegistrationJournal.h"

#include <memory>

class CRegObject;
class ScriptToken;
struct ScriptKey;

// Applies one registration script to the registry, in register or unregister mode; one parser per run.
class CRegScriptParser
{
  public:
    explicit CRegScriptParser(const CRegObject& registrar) : m_registrar(registrar) {}

    // A registration records every change it makes in the journal (one of the run's own when none is
    // given). A root block that fails is undone from it, exactly; what earlier root blocks changed stays,
    // and stays recorded for a caller that undoes more.
    HRESULT RunScript(const wchar_t* text, bool doRegister, RegistrationJournal* journal = nullptr);

  private:
    HRESULT PreprocessScript(const wchar_t* script, std::unique_ptr<wchar_t[]>& result);
    HRESULT SubstituteScript(const wchar_t* script, std::unique_ptr<wchar_t[]>& result) const;
    HRESULT RedirectClassesRoots(const wchar_t* script, std::unique_ptr<wchar_t[]>& result);

    void SkipWhitespace();
    HRESULT NextToken(ScriptToken& token);

    HRESULT ProcessRootBlock(ScriptToken& token, bool doRegister, RegistrationJournal::Mark runStart);
    HRESULT ProcessKeyList(const ScriptKey& parent, bool doRegister, bool recovery, unsigned depth);
    HRESULT RegisterEntry(const ScriptKey& parent, ScriptToken& token, unsigned depth);
    HRESULT RegisterKey(const ScriptKey& parent, ScriptToken& token, unsigned depth);
    HRESULT UnregisterEntry(HKEY parent, ScriptToken& token, bool recovery, unsigned depth);
    HRESULT UnregisterKey(HKEY parent, ScriptToken& token, bool recovery, bool noRemove, unsigned depth);
    HRESULT UnregisterValue(HKEY parent, ScriptToken& token, bool keepValue);
    HRESULT ReadValueName(ScriptToken& name, ScriptToken& token);
    HRESULT SkipAssignment(ScriptToken& token);
    HRESULT SetValueFromScript(const ScriptKey& key, const wchar_t* valueName, ScriptToken& token);

    const CRegObject& m_registrar;
    RegistrationJournal* m_journal = nullptr;
    bool m_perUser = false;
    const wchar_t* m_cursor = nullptr;
    const wchar_t* m_tokenStart = nullptr; // where the token read last begins
};
