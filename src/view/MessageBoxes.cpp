#include "view/MessageBoxes.h"

#include "view/QtMessageBoxes.h"

MessageBoxes* MessageBoxes::s_override = nullptr;

MessageBoxes& MessageBoxes::Current()
{
    static QtMessageBoxes real;
    return s_override ? *s_override : real;
}

MessageBoxes::Override::Override(MessageBoxes& replacement) : m_previous(s_override)
{
    s_override = &replacement;
}

MessageBoxes::Override::~Override()
{
    s_override = m_previous;
}
