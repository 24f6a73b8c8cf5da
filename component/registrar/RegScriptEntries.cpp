#include "component/registrar/RegScriptParser.h"

#include "component/registrar/RegKeyTree.h"
#include "component/registrar/RegistrationJournal.h"
#include "component/registrar/ScriptTables.h"
#include "component/registrar/ScriptToken.h"
#include "component/registrar/StringCopy.h"
#include "platform/HResult.h"
#include "platform/UniqueHandle.h"

namespace
{

// Nesting deeper than this fails instead of exhausting the caller's stack; registration scripts
// nest a handful of levels.
constexpr unsigned kMaxBlockDepth = 256;

// Unregistration remembers a key name for its deletion in a buffer of MAX_PATH units.
constexpr size_t kMaxRememberedKeyNameLength = MAX_PATH - 1;

// An entry names exactly one level below its parent: an empty name would address the parent itself.
HRESULT CheckKeyName(const ScriptToken& name)
{
    RETURN_HR_IF(DISP_E_EXCEPTION, name.Length() == 0 || name.Contains(L'\\'));
    return S_OK;
}

} // namespace

HRESULT CRegScriptParser::ProcessKeyList(const ScriptKey& parent, bool doRegister, bool recovery,
                                         unsigned depth)
{
    RETURN_HR_IF(DISP_E_EXCEPTION, depth > kMaxBlockDepth);
    ScriptToken token;
    PROPAGATE_IF_FAILED(token.Allocate());
    PROPAGATE_IF_FAILED(NextToken(token));
    while (token.First() != L'}')
    {
        PROPAGATE_IF_FAILED(doRegister ? RegisterEntry(parent, token, depth)
                                       : UnregisterEntry(parent.handle, token, recovery, depth));
    }
    return S_OK;
}

HRESULT CRegScriptParser::RegisterEntry(const ScriptKey& parent, ScriptToken& token, unsigned depth)
{
    const ScriptKeyword removal = ClassifyKeyword(token.Text());
    if (removal == ScriptKeyword::ForceRemove || removal == ScriptKeyword::Delete)
    {
        PROPAGATE_IF_FAILED(NextToken(token));
        PROPAGATE_IF_FAILED(CheckKeyName(token));
        if (!IsProtectedKeyName(token.Text()))
        {
            // What cannot be copied is not deleted: a failed registration must be able to give it back.
            const LSTATUS error = m_journal->DeleteKeyTree(parent, token.Text());
            if (error != ERROR_FILE_NOT_FOUND)
            {
                RETURN_IF_WIN32_ERROR(error);
            }
        }
        if (removal == ScriptKeyword::Delete)
        {
            PROPAGATE_IF_FAILED(NextToken(token));
            return SkipAssignment(token);
        }
    }
    if (ClassifyKeyword(token.Text()) == ScriptKeyword::NoRemove)
    {
        PROPAGATE_IF_FAILED(NextToken(token));
    }
    if (ClassifyKeyword(token.Text()) == ScriptKeyword::Val)
    {
        ScriptToken name;
        PROPAGATE_IF_FAILED(ReadValueName(name, token));
        return SetValueFromScript(parent, name.Text(), token);
    }
    return RegisterKey(parent, token, depth);
}

HRESULT CRegScriptParser::RegisterKey(const ScriptKey& parent, ScriptToken& token, unsigned depth)
{
    PROPAGATE_IF_FAILED(CheckKeyName(token));
    const std::unique_ptr<wchar_t[]> path = JoinKeyPath(parent.path, token.Text());
    RETURN_IF_NULL_ALLOC(path);
    platform::UniqueRegKey key;
    if (RegOpenKeyExW(parent.handle, token.Text(), 0, KEY_READ | KEY_WRITE, key.Put()) != ERROR_SUCCESS &&
        RegOpenKeyExW(parent.handle, token.Text(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
    {
        RETURN_IF_WIN32_ERROR(m_journal->CreateKey(parent, token.Text(), KEY_READ | KEY_WRITE, key.Put()));
    }
    const ScriptKey opened{key.Get(), parent.root, path.get()};
    PROPAGATE_IF_FAILED(NextToken(token));
    if (token.First() == L'=')
    {
        PROPAGATE_IF_FAILED(SetValueFromScript(opened, nullptr, token));
    }
    if (token.IsBlockOpening())
    {
        PROPAGATE_IF_FAILED(ProcessKeyList(opened, true, false, depth + 1));
        PROPAGATE_IF_FAILED(NextToken(token));
    }
    return S_OK;
}

HRESULT CRegScriptParser::UnregisterEntry(HKEY parent, ScriptToken& token, bool recovery, unsigned depth)
{
    const ScriptKeyword removal = ClassifyKeyword(token.Text());
    if (removal == ScriptKeyword::ForceRemove || removal == ScriptKeyword::Delete)
    {
        PROPAGATE_IF_FAILED(NextToken(token));
    }
    const bool noRemove = ClassifyKeyword(token.Text()) == ScriptKeyword::NoRemove;
    if (noRemove)
    {
        PROPAGATE_IF_FAILED(NextToken(token));
    }
    if (ClassifyKeyword(token.Text()) == ScriptKeyword::Val)
    {
        return UnregisterValue(parent, token, recovery || noRemove);
    }
    return UnregisterKey(parent, token, recovery, noRemove, depth);
}

HRESULT CRegScriptParser::UnregisterValue(HKEY parent, ScriptToken& token, bool keepValue)
{
    ScriptToken name;
    PROPAGATE_IF_FAILED(ReadValueName(name, token));
    if (!keepValue)
    {
        platform::UniqueRegKey key;
        RETURN_IF_WIN32_ERROR(RegOpenKeyExW(parent, nullptr, 0, KEY_WRITE, key.Put()));
        const LSTATUS deleteError = RegDeleteValueW(key.Get(), name.Text());
        if (deleteError != ERROR_FILE_NOT_FOUND)
        {
            RETURN_IF_WIN32_ERROR(deleteError);
        }
    }
    return SkipAssignment(token);
}

HRESULT CRegScriptParser::UnregisterKey(HKEY parent, ScriptToken& token, bool recovery, bool noRemove,
                                        unsigned depth)
{
    PROPAGATE_IF_FAILED(CheckKeyName(token));
    platform::UniqueRegKey key;
    const LSTATUS openError =
        recovery ? ERROR_FILE_NOT_FOUND : RegOpenKeyExW(parent, token.Text(), 0, KEY_READ, key.Put());
    const bool entryRecovery = openError != ERROR_SUCCESS;

    ScriptToken keyName;
    PROPAGATE_IF_FAILED(keyName.Allocate(kMaxRememberedKeyNameLength));
    const bool nameRemembered = keyName.Assign(token);

    PROPAGATE_IF_FAILED(NextToken(token));
    PROPAGATE_IF_FAILED(SkipAssignment(token));
    if (token.IsBlockOpening())
    {
        // Always the end of the run: a block in recovery touches no registry, so what fails there is the
        // script itself, and after it the parser no longer knows where it is.
        // Unregistration records nothing, so the key's place is not needed.
        PROPAGATE_IF_FAILED(ProcessKeyList({key.Get(), nullptr, nullptr}, false, entryRecovery, depth + 1));
        PROPAGATE_IF_FAILED(NextToken(token));
    }

    if (openError == ERROR_FILE_NOT_FOUND)
    {
        return S_OK;
    }
    RETURN_IF_WIN32_ERROR(openError);
    DWORD subkeyCount = 0;
    if (RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subkeyCount, nullptr, nullptr, nullptr,
                         nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
    {
        subkeyCount = 0;
    }
    RETURN_IF_WIN32_ERROR(RegCloseKey(key.Release()));
    if (noRemove || subkeyCount != 0)
    {
        return S_OK;
    }
    // A cut-down name would delete a different key.
    RETURN_HR_IF(DISP_E_EXCEPTION, !nameRemembered);
    RETURN_IF_WIN32_ERROR(DeleteOneKey(parent, keyName.Text()));
    return S_OK;
}

HRESULT CRegScriptParser::ReadValueName(ScriptToken& name, ScriptToken& token)
{
    PROPAGATE_IF_FAILED(name.Allocate());
    PROPAGATE_IF_FAILED(NextToken(name));
    PROPAGATE_IF_FAILED(NextToken(token));
    RETURN_HR_IF(DISP_E_EXCEPTION, token.First() != L'=');
    return S_OK;
}

HRESULT CRegScriptParser::SkipAssignment(ScriptToken& token)
{
    if (token.First() != L'=')
    {
        return S_OK;
    }
    PROPAGATE_IF_FAILED(NextToken(token)); // the type letter, not checked here
    PROPAGATE_IF_FAILED(NextToken(token));
    return NextToken(token);
}
