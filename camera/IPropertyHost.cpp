#include "camera/IPropertyHost.h"

void IPropertyHost::GetProperties(CPropertyList&) {}

bool IPropertyHost::OnPropertyChanged(PropertyId, const PropertyValue&) { return true; }

bool IPropertyHost::IsPropertyEnabled(PropertyId) { return true; }

void IPropertyHost::SetPropertyObserver(Observer) {}
