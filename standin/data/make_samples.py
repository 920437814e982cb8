#!/usr/bin/env python3
"""Writes the three sample product databases of the stand-in (run once; the
JSON is committed). Deterministic: the same files on every run."""
import json
import random
from pathlib import Path

rng = random.Random(20261206)
here = Path(__file__).parent

CATALOGUES = {
    "electrical.json": ("Electrical Supply", 90, [
        ("Circuit breaker {a}A {p}-pole", "Hallberg", "Elektro Großhandel Süd", "CB", [6, 10, 16, 20, 25, 32], 8.5),
        ("Residual current device {a}A 30mA", "Voltaris", "Elektro Großhandel Süd", "RCD", [25, 40, 63], 38.0),
        ("LED panel {a}W 4000K 600x600", "Østlys Lighting", "Nordic Light Supply", "LP", [28, 36, 40], 41.9),
        ("Cable NYM-J 3x{a} mm² (100 m)", "Kabelwerk Müller", "Kabelwerk Müller", "NYM", [1.5, 2.5], 64.0),
        ("Wall socket, white, {a}-gang", "Brenner-Jäger", "Elektro Großhandel Süd", "WS", [1, 2, 3], 4.2),
        ("Motion sensor {a}° ceiling", "Thebra", "Nordic Light Supply", "MS", [180, 360], 29.5),
        ("Surge protector type {a}", "Dekon", "Société d'Électricité Lyon", "SP", [1, 2, 3], 88.0),
    ]),
    "networking.json": ("Networking", 80, [
        ("Managed switch {a}-port PoE+", "Netwave", "Harbor Networks", "SW", [8, 16, 24, 48], 210.0),
        ("Patch cable Cat6a {a} m, blue", "Uplink Systems", "Harbor Networks", "PC", [0.5, 1, 2, 5], 3.1),
        ("Wireless access point Wi-Fi 6 ({a} streams)", "Aerolink", "CloudCore Distribution", "AP", [2, 4], 149.0),
        ("Rack shelf {a}U, 19\"", "Rackwell", "CloudCore Distribution", "RS", [1, 2], 27.0),
        ("Fibre SFP+ module {a}G LC", "Lumen Optics", "Harbor Networks", "SFP", [1, 10, 25], 35.0),
        ("Firewall appliance, {a} users", "Zykon", "Fjällnät AB", "FW", [25, 50, 100], 480.0),
    ]),
    "office.json": ("Office Furniture", 70, [
        ("Desk {a} x 80 cm, oak veneer", "Steelform", "Büro Möbel Köln", "DK", [120, 140, 160, 180], 320.0),
        ("Office chair \"Ergo {a}\", black", "Hermann Möller", "Büro Möbel Köln", "CH", [100, 200, 300], 245.0),
        ("Filing cabinet, {a} drawers", "Bisco", "Mobilier Français SA", "FC", [2, 3, 4], 189.0),
        ("Café table Ø {a} cm", "Vitrea", "Mobilier Français SA", "CT", [60, 70, 80], 410.0),
        ("Whiteboard {a} x 90 cm, magnetic", "Legama", "Büro Möbel Köln", "WB", [120, 150, 180], 95.0),
    ]),
}

UNITS = ["Each", "Box", "Pack", "Roll", "Set"]
TAX = ["T1", "T2", "EX"]
PROFILES = ["Standard", "Reseller", "Education", "Government"]
NOTES = ["", "Lead time 2 weeks", "Discontinued after Q4", "Bestseller", "Ask for volume pricing",
         "Direct delivery from manufacturer", "Ne pas stocker à l'extérieur"]
COLOURS = ["white", "black", "grey", "anthracite", "RAL 9010", "blue"]


def money(x):
    return round(x, 2)


def date(y0=2024):
    return f"{rng.randint(y0, 2026):04d}-{rng.randint(1, 12):02d}-{rng.randint(1, 28):02d}"


def product(template, n, db_prefix):
    desc, maker, vendor, code, sizes, base = template
    a = rng.choice(sizes)
    p = rng.choice([1, 2, 3])
    description = desc.format(a=a, p=p)
    price = money(base * (1 + (sizes.index(a)) * 0.35) * rng.uniform(0.9, 1.15))
    cost = money(price * rng.uniform(0.55, 0.8))
    listp = money(price * rng.uniform(1.1, 1.3))
    qty = rng.choice([1, 1, 1, 2, 5, 10])
    mpn = f"{code}-{str(a).replace('.', '')}{p if '{p}' in desc else ''}-{n:03d}"
    rec = {
        "Description": description,
        "Manufacturer": maker,
        "ManufacturerPartNumber": mpn,
        "Vendor": vendor,
        "VendorPartNumber": f"{db_prefix}{rng.randint(100000, 999999)}",
        "UnitPrice": price,
        "UnitCost": cost,
        "UnitList": listp,
        "ExtendedPrice": money(price * qty),
        "ExtendedCost": money(cost * qty),
        "ExtendedList": money(listp * qty),
        "QtyBase": qty,
        "QtyTotal": qty,
        "QtyGroupMultiplier": 1,
        "QtyMultiplier1": 1,
        "UnitOfMeasure": rng.choice(UNITS),
        "UnitOfMeasureFactor": 1,
        "UnitOfPricing": "Each",
        "UnitOfPricingFactor": 1,
        "UnitWeight": round(rng.uniform(0.05, 25), 3),
        "ExtendedWeight": None,
        "TaxCode": rng.choice(TAX),
        "ItemType": rng.choice([0, 1]),
        "LineType": 0,
        "LineAttributes": rng.choice([0, 0, 4, 16]),
        "PriceProfile": rng.choice(PROFILES),
        "PriceModifier": rng.choice([1, 1, 0.95, 0.9]),
        "CostModifier": rng.choice([1, 1, 1.02]),
        "SalesTax": money(price * qty * 0.08),
        "ShippingAmount": rng.choice([0, 0, 4.95, 9.9, 19.5]),
        "PSTTax": money(price * qty * 0.07),
        "GSTTax": money(price * qty * 0.05),
        "Notes": rng.choice(NOTES),
        "CustomText01": rng.choice(COLOURS),
        "CustomText02": f"EAN {rng.randint(4000000000000, 4999999999999)}",
        "CustomDate01": date(),
        "CustomNumber01": rng.randint(0, 500),
    }
    rec["ExtendedWeight"] = round(rec["UnitWeight"] * qty, 3) if rng.random() < 0.8 else None
    # Occasional fields, so that empty, absent and null values all occur.
    optional = {
        "AlternateUnitPrice": lambda: money(price * 0.92),
        "AlternateUnitCost": lambda: money(cost * 0.92),
        "AlternateUnitList": lambda: money(listp * 0.92),
        "AlternateExtendedPrice": lambda: money(price * 0.92 * qty),
        "AlternateExtendedCost": lambda: money(cost * 0.92 * qty),
        "AlternateExtendedList": lambda: money(listp * 0.92 * qty),
        "AlternateSalesTax": lambda: money(price * 0.92 * qty * 0.08),
        "AlternateShippingAmount": lambda: rng.choice([0, 5.5]),
        "CustomDate02": lambda: rng.choice([date(2025), None]),
        "CustomMemo01": lambda: "Mount on a DIN rail.\nSee the data sheet for torque values.",
        "CustomMemo02": lambda: rng.choice(["", "Zertifiziert nach DIN EN 60898", None]),
        "CustomNumber02": lambda: round(rng.uniform(0, 100), 2),
        "OrderDate": lambda: date(2025),
        "PONumber": lambda: f"PO-{rng.randint(20000, 29999)}",
        "QtyMultiplier2": lambda: 1,
        "QtyMultiplier3": lambda: rng.choice([1, 2]),
        "QtyMultiplier4": lambda: 1,
    }
    for k, make in optional.items():
        if rng.random() < 0.35:
            rec[k] = make()
    for i in range(3, 15):
        if rng.random() < 0.15:
            rec[f"CustomText{i:02d}"] = rng.choice(["", "Grade A", "Made in EU", "Größe M", None, "Rev. 2"])
    return rec


def main():
    for file, (name, count, templates) in CATALOGUES.items():
        products = []
        prefix = name[:2].upper()
        for n in range(count):
            products.append(product(templates[n % len(templates)], n + 1, prefix))
        # One product per database with every field empty or null.
        products.append({"Description": "", "ManufacturerPartNumber": "", "Vendor": "",
                         "UnitPrice": None, "Notes": None})
        doc = {"name": name, "products": products}
        text = json.dumps(doc, ensure_ascii=False, indent=0, separators=(",", ":"))
        (here / file).write_text(text.replace("\n{", "{").replace(",\n", ",") + "\n", encoding="utf-8")


if __name__ == "__main__":
    main()
