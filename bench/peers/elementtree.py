"""The three edits with Python's ElementTree: a backup copy, then /allow, /addpredif and
/weapons on the parsed document, written back. Run in the folder holding MeInit.xml and
Filename1..3.xml."""
import shutil
import xml.etree.ElementTree as ET


def main():
    shutil.copyfile("MeInit.xml", "Meinit backup.xml")
    tree = ET.parse("MeInit.xml")
    registry = tree.getroot()
    plane = next(p for p in registry.find("Units").find("Planes") if p.get("Name") == "A-10A")

    # /allow
    old = plane.find("Pylons")
    plane[list(plane).index(old)] = ET.parse("Filename1.xml").getroot()

    # /addpredif: the file has two top-level elements, so it is read inside a wrapper.
    with open("Filename2.xml", "rb") as f:
        text = f.read()
    if text.startswith(b"<?xml"):
        text = text[text.index(b"?>") + 2:]
    predef = ET.fromstring(b"<r>" + text + b"</r>")
    payloads = plane.find("Payloads")
    highest = max([int(p.get("ID")) for p in payloads.findall("Payload")] + [0])
    for n, payload in enumerate(predef.find("Payloads").findall("Payload"), highest + 1):
        payload.set("ID", str(n))
        payloads.append(payload)
    tasks = plane.find("Tasks")
    by_world_id = {t.get("WorldID"): t for t in tasks.findall("Task")}
    for entry in predef.find("Tasks").findall("Task"):
        task = by_world_id.get(entry.get("WorldID"))
        if task is None:
            tasks.append(entry)
        else:
            task[0:0] = list(entry)

    # /weapons
    categories = {c.get("CLSID").lower(): c for c in registry.find("Weapons").findall("Category")}
    for category_entry in ET.parse("Filename3.xml").getroot().findall("Category"):
        category = categories[category_entry.get("CLSID").lower()]
        launchers = {l.get("CLSID").lower(): i for i, l in enumerate(category)}
        for entry in category_entry.findall("Launcher"):
            category[launchers[entry.get("CLSID").lower()]] = entry

    tree.write("MeInit.xml", encoding="UTF-8", xml_declaration=True)


main()
