import importlib


class UnsupportedTypeSupport(Exception):
    """The package's extension module for the C type support cannot be loaded."""

    def __init__(self, pkg_name):
        super().__init__('Could not import the C type support of package ' + pkg_name)
        self.pkg_name = pkg_name


def import_type_support(pkg_name):
    """The extension module <pkg_name>.<pkg_name>_s__rosidl_typesupport_c."""
    try:
        return importlib.import_module('.%s_s__rosidl_typesupport_c' % pkg_name, package=pkg_name)
    except ImportError as error:
        raise UnsupportedTypeSupport(pkg_name) from error
