#pragma once

#include "component/server/VoltwiseModule.h"
#include "tests/component/unit/FakePlatform.h"

#include <gtest/gtest.h>

#include <optional>

// A module object of the test's own (with an empty object map), reached by the framework through the
// process-wide module pointer; every fake starts from its default.
class ModuleFixture : public testing::Test
{
  protected:
    void SetUp() override
    {
        fake::Reset();
        m_module.emplace(ObjectMap{nullptr, nullptr}, m_startupFailure);
    }
    void TearDown() override
    {
        m_module.reset();
        fake::Reset();
    }

    LONG LockCount() { return m_module->ModuleLockCount(); }

    bool m_startupFailure = false;
    std::optional<CVoltwiseModule> m_module;
};
