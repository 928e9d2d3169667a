#include "actions/TVDActionComponent.h"

TVDActionComponent::TVDActionComponent(QObject *parent) : TCustomVDActionList(parent)
{}

TVDActionComponent::~TVDActionComponent() = default;

void TVDActionComponent::Loaded()
{
    FindActions();
    ConnectActions();
}

void TVDActionComponent::BuildActions()
{
    if (m_built)
        return;
    m_built = true;
    CreateActions();
    InitActions();
    ConnectActions();
}
