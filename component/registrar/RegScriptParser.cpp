#include "component/registrar/RegScriptParser.h"

#include "component/registrar/PerUserRegistration.h"
#include "component/registrar/RegKeyTree.h"
#include "component/registrar/ScriptTables.h"
#include "component/registrar/ScriptToken.h"
#include "platform/HResult.h"

HRESULT CRegScriptParser::RunScript(const wchar_t* text, bool doRegister, RegistrationJournal* journal)
{
    m_perUser = IsPerUserRegistrationEnabled();
    std::unique_ptr<wchar_t[]> script;
    PROPAGATE_IF_FAILED(PreprocessScript(text, script));
    ScriptToken token;
    PROPAGATE_IF_FAILED(token.Allocate());

    RegistrationJournal ownJournal;
    m_journal = journal != nullptr ? journal : &ownJournal;
    const RegistrationJournal::Mark runStart = m_journal->Current();
    m_cursor = script.get();
    HRESULT result = S_OK;
    while (SUCCEEDED(result) && *m_cursor != L'\0')
    {
        result = ProcessRootBlock(token, doRegister, runStart);
        SkipWhitespace();
    }
    m_cursor = nullptr;
    m_journal = nullptr;
    return result;
}

HRESULT CRegScriptParser::ProcessRootBlock(ScriptToken& token, bool doRegister,
                                           RegistrationJournal::Mark runStart)
{
    PROPAGATE_IF_FAILED(NextToken(token));
    const HKEY root = LookupRootKey(token.Text());
    RETURN_HR_IF(DISP_E_EXCEPTION, root == nullptr);
    if (m_perUser && root == HKEY_CLASSES_ROOT)
    {
        // A root that redirection did not move (one that a substitution produced, say) would write for the
        // whole machine: the run takes back what it wrote and fails before this block touches anything.
        m_journal->UndoTo(runStart);
        RETURN_HR(E_ACCESSDENIED);
    }
    PROPAGATE_IF_FAILED(NextToken(token));
    RETURN_HR_IF(DISP_E_EXCEPTION, token.First() != L'{');
    const RegistrationJournal::Mark blockStart = m_journal->Current();
    const HRESULT result = ProcessKeyList({root, root, L""}, doRegister, false, 1);
    if (FAILED(result))
    {
        // Take away what this root block created; the failure stays the result.
        m_journal->UndoTo(blockStart);
    }
    return result;
}

void CRegScriptParser::SkipWhitespace()
{
    while (IsScriptWhitespace(*m_cursor))
    {
        ++m_cursor;
    }
}

HRESULT CRegScriptParser::NextToken(ScriptToken& token)
{
    SkipWhitespace();
    m_tokenStart = m_cursor;
    token.Clear();
    RETURN_HR_IF(DISP_E_EXCEPTION, *m_cursor == L'\0');
    if (*m_cursor != kScriptQuote)
    {
        for (; *m_cursor != L'\0' && !IsScriptWhitespace(*m_cursor); ++m_cursor)
        {
            RETURN_HR_IF(DISP_E_EXCEPTION, !token.Append(*m_cursor));
        }
        return S_OK;
    }
    for (++m_cursor;; ++m_cursor)
    {
        RETURN_HR_IF(DISP_E_EXCEPTION, *m_cursor == L'\0');
        if (*m_cursor == kScriptQuote)
        {
            if (m_cursor[1] != kScriptQuote)
            {
                ++m_cursor;
                return S_OK;
            }
            ++m_cursor; // a doubled quote stands for one
        }
        RETURN_HR_IF(DISP_E_EXCEPTION, !token.Append(*m_cursor));
    }
}
