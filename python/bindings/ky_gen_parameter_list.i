// KyGenParameterList: features that the list points to without owning them (selected and
// selecting features, the features of a GenICam event, or a program's own list), with a cursor.
// Items come back as their most derived typed class (frame/ky_gen_downcast.i), None past the end.

%{
#include "ky/genicam/KyGenParameterList.h"
%}

%rename(__getitem__) KyGenParameterList::operator[];
// A list of nothing would be a list that silently drops what it is given: None is refused.
%apply SWIGTYPE *KY_NOT_NULL { KyGenParameter *aParameter };

// As for the parameter array: iteration goes over the size (item access past the end is None).
%extend KyGenParameterList {
%pythoncode %{
    def __iter__(self):
        for index in range(self.GetSize()):
            yield self.GetItem(index)
%}
}

%include "ky/genicam/KyGenParameterList.h"
%clear KyGenParameter *aParameter;
