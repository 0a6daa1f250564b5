#include "app/program.h"

#include "ui/main/frmmainld.h"

Program *Program::s_current = nullptr;

Program::Program()
{
    Q_ASSERT(!s_current);
    s_current = this;
}

Program::~Program()
{
    m_frmMainLd.reset();
    s_current = nullptr;
}

Program &Program::current()
{
    Q_ASSERT(s_current);
    return *s_current;
}

void Program::Main()
{
    // Every step below reports nothing: a window whose load fails is simply left as it is.
    shared.editionCode = EditionLivedoor;
    mainLd();
}

frmMainLd &Program::mainLd()
{
    if (!m_frmMainLd) {
        m_frmMainLd = std::make_unique<frmMainLd>(*this);
        m_frmMainLd->Form_Load();
    }
    return *m_frmMainLd;
}

namespace forms {
::frmMainLd &frmMainLd()
{
    return Program::current().mainLd();
}
} // namespace forms
