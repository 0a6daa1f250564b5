#!/usr/bin/python3
"""A stand-in StatusNotifierWatcher for tests, and a client that reads and drives an item's menu.

  sni.py watch RECORD        own org.kde.StatusNotifierWatcher on the session bus, report a
                             registered host, and write each registered item's service to RECORD
  sni.py menu SERVICE        print the item's exported menu, one entry per line, indented by depth
  sni.py click SERVICE PATH  send "clicked" to the entry PATH (labels joined by '/')
"""
import sys

import dbus
import dbus.service

WATCHER = 'org.kde.StatusNotifierWatcher'
PROPS = 'org.freedesktop.DBus.Properties'

INTROSPECTION = '''<!DOCTYPE node PUBLIC "-//freedesktop//DTD D-BUS Object Introspection 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/introspect.dtd">
<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg name="service" type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg name="service" type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
  </interface>
  <interface name="org.freedesktop.DBus.Properties">
    <method name="Get"><arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/></method>
    <method name="GetAll"><arg type="s" direction="in"/><arg type="a{sv}" direction="out"/></method>
  </interface>
  <interface name="org.freedesktop.DBus.Introspectable">
    <method name="Introspect"><arg type="s" direction="out"/></method>
  </interface>
</node>'''


class Watcher(dbus.service.Object):
    def __init__(self, bus, record):
        super().__init__(bus, '/StatusNotifierWatcher')
        self.items = []
        self.record = record

    @dbus.service.method(WATCHER, in_signature='s', sender_keyword='sender')
    def RegisterStatusNotifierItem(self, service, sender=None):
        # An item names either its own service or, like Qt, a well-known name it owns.
        if service.startswith('/'):
            service = sender
        self.items.append(str(service))
        with open(self.record, 'a') as out:
            out.write(f'{service}\n')
        self.StatusNotifierItemRegistered(service)

    @dbus.service.method(WATCHER, in_signature='s')
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(WATCHER, signature='s')
    def StatusNotifierItemRegistered(self, service):
        pass

    @dbus.service.method(PROPS, in_signature='ss', out_signature='v')
    def Get(self, interface, name):
        return self.GetAll(interface)[name]

    @dbus.service.method(PROPS, in_signature='s', out_signature='a{sv}')
    def GetAll(self, interface):
        return {'RegisteredStatusNotifierItems': dbus.Array(self.items, signature='s'),
                'IsStatusNotifierHostRegistered': dbus.Boolean(True),
                'ProtocolVersion': dbus.Int32(0)}

    # dbus-python lists methods only; Qt reads the properties through introspection.
    @dbus.service.method('org.freedesktop.DBus.Introspectable', out_signature='s')
    def Introspect(self):
        return INTROSPECTION


def watch(record):
    from dbus.mainloop.glib import DBusGMainLoop
    from gi.repository import GLib
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    # Both are kept for the life of the loop: the object answers, the name is owned.
    watcher = Watcher(bus, record)  # noqa: F841
    name = dbus.service.BusName(WATCHER, bus, do_not_queue=True)  # noqa: F841
    GLib.MainLoop().run()


def menu_of(service):
    bus = dbus.SessionBus()
    item = bus.get_object(service, '/StatusNotifierItem')
    path = item.Get('org.kde.StatusNotifierItem', 'Menu', dbus_interface=PROPS)
    return bus.get_object(service, path)


def entries(node, depth=0, trail=()):
    for child in node[2]:
        ident, props, _ = child
        label = str(props.get('label', '')).replace('_', '')
        kind = str(props.get('type', 'standard'))
        yield depth, trail + (label,), ident, props, kind
        yield from entries(child, depth + 1, trail + (label,))


def layout(service):
    menu = menu_of(service)
    _, root = menu.GetLayout(0, -1, dbus.Array([], signature='s'),
                             dbus_interface='com.canonical.dbusmenu')
    return menu, root


def print_menu(service):
    # A host tells the item that its menu is about to show before it reads the entries.
    menu_of(service).AboutToShow(0, dbus_interface='com.canonical.dbusmenu')
    _, root = layout(service)
    for depth, trail, _, props, kind in entries(root):
        marks = []
        if kind == 'separator':
            marks.append('separator')
        if not props.get('enabled', True):
            marks.append('disabled')
        if not props.get('visible', True):
            marks.append('hidden')
        print('  ' * depth + trail[-1] + (' [' + ' '.join(marks) + ']' if marks else ''))


def click(service, path):
    menu, root = layout(service)
    wanted = tuple(path.split('/'))
    for _, trail, ident, _, _ in entries(root):
        if trail == wanted:
            menu.Event(ident, 'clicked', dbus.Int32(0, variant_level=1), dbus.UInt32(0),
                       dbus_interface='com.canonical.dbusmenu')
            return 0
    print(f'sni.py: no entry {path}', file=sys.stderr)
    return 1


if __name__ == '__main__':
    command, args = sys.argv[1], sys.argv[2:]
    if command == 'watch':
        watch(*args)
    elif command == 'menu':
        print_menu(*args)
    elif command == 'click':
        sys.exit(click(*args))
    else:
        sys.exit(__doc__)
